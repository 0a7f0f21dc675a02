#include "Guard.h"

#include <QtGlobal>

namespace
{
AppExceptionHandler& currentHandler()
{
    static AppExceptionHandler handler;
    return handler;
}
} // namespace

AppExceptionHandler setAppExceptionHandler(AppExceptionHandler handler)
{
    AppExceptionHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

void reportAppException(const std::exception* error) noexcept
{
    try
    {
        if (currentHandler())
            currentHandler()(error);
        else
            qWarning("Unhandled exception: %s", error ? error->what() : "unknown");
    }
    catch (...)
    {
        // The handler itself must never let an exception escape into Qt.
    }
}
