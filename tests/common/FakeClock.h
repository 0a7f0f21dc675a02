#pragma once

#include "Clock.h"

#include <QList>

#include <functional>

// A clock whose sleeps return at once and are recorded; time moves only by those sleeps
// (and by advance()), so waits can be checked exactly.
class FakeClock : public Clock
{
public:
    FakeClock() { previous = Clock::setInstance(this); }
    ~FakeClock() override { Clock::setInstance(previous); }

    void sleep(int milliseconds) override
    {
        sleeps << milliseconds;
        nowNs += static_cast<quint64>(qMax(0, milliseconds)) * 1000000u;
        if (onSleep)
            onSleep(milliseconds);
    }
    quint32 tickCount() override { return static_cast<quint32>(nowNs / 1000000u); }
    quint64 performanceCounter() override { return nowNs; }
    void advance(int milliseconds) { nowNs += static_cast<quint64>(milliseconds) * 1000000u; }

    QList<int> sleeps;
    quint64 nowNs = 1000000000u;
    std::function<void(int)> onSleep;

private:
    Clock* previous = nullptr;
};
