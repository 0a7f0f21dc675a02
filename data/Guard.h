#pragma once

#include "EAbort.h"

#include <QObject>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// How errors travel, layer by layer.
//
// - data/ and platform/ throw for what the caller cannot go on without: EDatabaseError (a
//   table used wrongly: closed, a delete on an empty table, a field set outside edit or insert,
//   an unknown field name), EFileError (a table file that cannot be read, any file that cannot
//   be written; the old file then stays as it was), ESpreadsheetError (a workbook that cannot
//   be read), EMCIDeviceError (a sound that cannot be opened, or a command given to a player
//   with nothing open). A record rule refuses an operation by
//   throwing EAbort once it has told the operator why, or once the operator said no to its
//   question.
// - They return a result where failing is an ordinary outcome the caller decides about: the
//   journal's writes (false, with a notice kept for later), a table save that leaves a damaged
//   file alone (false), the number of refused records of a load, IniWriteString (false), a
//   sound that fails while it plays (the completion nvFailure). A settings file that cannot be
//   read is no error at all: it reads as empty, every key its default, and only writing it back
//   throws, so that its other keys are not lost.
// - They fill an out-parameter where a reason goes with an empty result: a picture that
//   cannot be loaded gives a null image and, on request, the reason in `error`.
// - controls/, app/ and definitions/ catch only the errors they have words for (EFileError
//   around a save, ESpreadsheetError around an import, for instance) and let everything else
//   reach the entry from Qt below. One exception: the sound of a running draw that cannot be
//   started or stopped is skipped without a word, the draw goes on.
//
// Every entry from Qt is guarded exactly once: a connected signal through connectGuarded(),
// which puts the guard in the connection so that the handler holds none; an event handler,
// timer callback, model setData or delegate commit by running its body through guarded(). A
// silent abort stops there without a word, any other exception goes to the application-wide
// handler. No exception ever crosses a Qt frame.
using AppExceptionHandler = std::function<void(const std::exception* error)>;

// Installs the application-wide handler (the main window's AppEventsException); an empty
// function restores the default, which only logs. Returns the previous handler.
AppExceptionHandler setAppExceptionHandler(AppExceptionHandler handler);
void reportAppException(const std::exception* error) noexcept;

template <class F> bool guarded(F&& body) noexcept
{
    try
    {
        std::forward<F>(body)();
        return true;
    }
    catch (const EAbort&)
    {}
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

namespace GuardDetail {
// Calls handler with the signal's arguments when it takes them, without when it takes none.
template <class H, class... Args> void invoke(H& handler, Args&&... args)
{
    if constexpr (std::is_invocable_v<H&, Args...>)
        std::invoke(handler, std::forward<Args>(args)...);
    else
        std::invoke(handler);
}
} // namespace GuardDetail

// Connects signal to a callable that runs guarded. The connection ends with context.
template <class Sender, class Signal, class Handler>
requires(!std::is_member_function_pointer_v<std::decay_t<Handler>>) QMetaObject::Connection
    connectGuarded(const Sender* sender, Signal signal, const QObject* context, Handler&& handler)
{
    return QObject::connect(sender, signal, context, [h = std::forward<Handler>(handler)](auto&&... args) mutable {
        guarded([&] { GuardDetail::invoke(h, std::forward<decltype(args)>(args)...); });
    });
}

// Connects signal to receiver's member function, run guarded; it receives the signal's
// arguments when it takes them.
template <class Sender, class Signal, class Receiver, class Member>
requires std::is_member_function_pointer_v<Member> QMetaObject::Connection
connectGuarded(const Sender* sender, Signal signal, Receiver* receiver, Member member)
{
    return QObject::connect(sender, signal, receiver, [receiver, member](auto&&... args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<Member, Receiver*, decltype(args)...>)
                std::invoke(member, receiver, std::forward<decltype(args)>(args)...);
            else
                std::invoke(member, receiver);
        });
    });
}
