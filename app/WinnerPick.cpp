#include "WinnerPick.h"

#include "Random.h"

#include <QHash>
#include <QList>
#include <algorithm>
#include <bit>

void TWinnerPick::learnWinners(int winnerCount, const NameAt& winnerName)
{
    // The winners table only grows during a run; anything else (emptied, shrunk, rewritten)
    // means starting the set afresh.
    if (winnerCount < known || (known > 0 && winnerName(known - 1) != lastKnown))
    {
        buckets.clear();
        rowHashes.clear();
        known = 0;
    }
    rowHashes.reserve(static_cast<size_t>(winnerCount));
    for (; known < winnerCount; ++known)
        index(known, qHash(winnerName(known)));
    lastKnown = known > 0 ? winnerName(known - 1) : QByteArray();
}

void TWinnerPick::index(int row, size_t hash)
{
    rowHashes.push_back(hash);
    if (rowHashes.size() * 2 > buckets.size())
    {
        // Rebuild at a quarter load, so probes stay short until the next growth.
        buckets.assign(std::max<size_t>(64, std::bit_ceil(rowHashes.size() * 4)), 0);
        for (size_t r = 0; r < rowHashes.size(); ++r)
        {
            size_t i = rowHashes[r] & (buckets.size() - 1);
            while (buckets[i] != 0)
                i = (i + 1) & (buckets.size() - 1);
            buckets[i] = static_cast<quint32>(r + 1);
        }
        return;
    }
    size_t i = hash & (buckets.size() - 1);
    while (buckets[i] != 0)
        i = (i + 1) & (buckets.size() - 1);
    buckets[i] = static_cast<quint32>(row + 1);
}

bool TWinnerPick::hasWon(const QByteArray& name, const NameAt& winnerName) const
{
    if (buckets.empty())
        return false;
    const size_t hash = qHash(name);
    for (size_t i = hash & (buckets.size() - 1); buckets[i] != 0; i = (i + 1) & (buckets.size() - 1))
    {
        const int row = static_cast<int>(buckets[i] - 1);
        if (rowHashes[static_cast<size_t>(row)] == hash && winnerName(row) == name)
            return true;
    }
    return false;
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
        if (!hasWon(participantName(position), winnerName))
            return position;
    }

    // So many misses that the eligible names may be few or none: count them once and choose
    // uniformly among them, which is what further attempts would converge to.
    QList<int> eligible;
    for (int position = 0; position < participantCount; ++position)
    {
        if (!hasWon(participantName(position), winnerName))
            eligible.append(position);
    }
    if (eligible.isEmpty())
        return -1;
    SharedRandom::randomize();
    return eligible.at(SharedRandom::random(static_cast<int>(eligible.size())));
}
