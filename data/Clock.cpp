#include "Clock.h"

#include <QElapsedTimer>
#include <QThread>

#include <chrono>

void Clock::sleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

quint32 Clock::tickCount()
{
    return static_cast<quint32>(performanceCounter() / 1000000u);
}

quint64 Clock::performanceCounter()
{
    using namespace std::chrono;
    return static_cast<quint64>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace
{
Clock realClock;
Clock* current = &realClock;
} // namespace

Clock& Clock::instance()
{
    return *current;
}

Clock* Clock::setInstance(Clock* clock)
{
    Clock* previous = current;
    current = clock ? clock : &realClock;
    return previous;
}
