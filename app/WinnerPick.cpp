#include "WinnerPick.h"

#include "Random.h"

#include <QList>

void TWinnerPick::learnWinners(int winnerCount, const NameAt& winnerName)
{
    // The winners table only grows during a run; anything else (emptied, shrunk, rewritten)
    // means starting the set afresh.
    if (winnerCount < known || (known > 0 && winnerName(known - 1) != lastKnown))
    {
        winners.clear();
        known = 0;
    }
    if (winners.isEmpty() && winnerCount > known)
        winners.reserve(winnerCount);
    for (; known < winnerCount; ++known)
        winners.insert(winnerName(known));
    lastKnown = known > 0 ? winnerName(known - 1) : QByteArray();
}

int TWinnerPick::pick(int participantCount, const NameAt& participantName, int winnerCount, const NameAt& winnerName)
{
    attempts = 0;
    if (participantCount <= 0)
        return -1;
    learnWinners(winnerCount, winnerName);

    while (attempts < AttemptsBeforeScan)
    {
        ++attempts;
        SharedRandom::randomize();
        const int position = SharedRandom::random(participantCount);
        if (!winners.contains(participantName(position)))
            return position;
    }

    // So many misses that the eligible names may be few or none: count them once and choose
    // uniformly among them, which is what further attempts would converge to.
    QList<int> eligible;
    for (int position = 0; position < participantCount; ++position)
    {
        if (!winners.contains(participantName(position)))
            eligible.append(position);
    }
    if (eligible.isEmpty())
        return -1;
    SharedRandom::randomize();
    return eligible.at(SharedRandom::random(static_cast<int>(eligible.size())));
}
