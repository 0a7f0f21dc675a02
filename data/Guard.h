#pragma once

#include "EAbort.h"

#include <exception>
#include <functional>

// Every entry from Qt (slot, event handler, timer callback, model setData, delegate commit)
// runs its body through guarded(): a silent abort stops there without a word, any other
// exception goes to the application-wide handler. No exception ever crosses a Qt frame.
using AppExceptionHandler = std::function<void(const std::exception* error)>;

// Installs the application-wide handler (the main window's AppEventsException); an empty
// function restores the default, which only logs. Returns the previous handler.
AppExceptionHandler setAppExceptionHandler(AppExceptionHandler handler);
void reportAppException(const std::exception* error) noexcept;

template <class F>
bool guarded(F&& body) noexcept
{
    try
    {
        std::forward<F>(body)();
        return true;
    }
    catch (const EAbort&)
    {
    }
    catch (const std::exception& e)
    {
        reportAppException(&e);
    }
    catch (...)
    {
        reportAppException(nullptr);
    }
    return false;
}
