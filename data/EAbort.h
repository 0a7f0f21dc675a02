#pragma once

#include <exception>

// The silent abort: a rule that refuses an operation shows its own message and throws this.
// It unwinds to the nearest guard (see Guard.h) and is never reported a second time.
class EAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] inline void Abort()
{
    throw EAbort();
}
