#pragma once

#include <QtGlobal>

// The blocking millisecond sleep, the tick count and the high-resolution counter. The draws'
// waits block the user-interface thread on purpose; they go through this class so tests can
// replace it, run the waits instantly and still check the durations asked for.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual void sleep(int milliseconds);
    virtual quint32 tickCount();           // milliseconds since an arbitrary start
    virtual quint64 performanceCounter();  // nanoseconds, monotonic

    static Clock& instance();
    // Replaces the process-wide clock (nullptr restores the real one); returns the previous.
    static Clock* setInstance(Clock* clock);
};
