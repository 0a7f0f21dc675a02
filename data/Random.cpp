#include "Random.h"

#include "Clock.h"

namespace {
quint32 state = 0;
}

namespace SharedRandom {
int random(int n)
{
    state = state * 134775813u + 1u;
    if (n <= 0)
        return 0;
    return static_cast<int>((static_cast<quint64>(state) * static_cast<quint64>(n)) >> 32);
}

void randomize()
{
    state = static_cast<quint32>(Clock::instance().performanceCounter());
}

quint32 seed()
{
    return state;
}

void setSeed(quint32 s)
{
    state = s;
}
} // namespace SharedRandom
