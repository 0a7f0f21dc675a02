#include "WinnerPick.h"

#include "Random.h"
#include "RxMemoryData.h"

#include <QList>
#include <QSet>
#include <limits>

int participantsNamed(const TRxMemoryData& kisi, int nameField, const QByteArray& name)
{
    if (kisi.keyIndexField() == nameField)
        return kisi.countKeyExact(name, std::numeric_limits<int>::max());
    // A table without the index (the program always has it) is counted the long way.
    int count = 0;
    for (int row = 0; row < kisi.recordCount(); ++row)
        count += kisi.bytesAt(row, nameField) == name ? 1 : 0;
    return count;
}

int countEligible(const TRxMemoryData& kisi, int kisiName, const TRxMemoryData& kzn, int kznName)
{
    QSet<QByteArray> winnerNames;
    for (int row = 0; row < kzn.recordCount(); ++row)
        winnerNames.insert(kzn.bytesAt(row, kznName));
    int eligible = kisi.recordCount();
    for (const QByteArray& name : winnerNames)
        eligible -= participantsNamed(kisi, kisiName, name);
    return eligible;
}

void TWinnerPick::learnWinners(int winnerCount, const NameAt& winnerName)
{
    // The winners table only grows during a run; anything else (emptied, shrunk, rewritten)
    // means starting the set afresh.
    if (winnerCount < known || (known > 0 && winnerName(known - 1) != lastKnown))
    {
        winners.clear();
        known = 0;
    }
    winners.reserve(static_cast<size_t>(winnerCount));
    for (; known < winnerCount; ++known)
        winners.insert(TNameIndex::hashOf(winnerName(known)), static_cast<quint32>(known));
    lastKnown = known > 0 ? winnerName(known - 1) : QByteArray();
}

bool TWinnerPick::hasWon(const QByteArray& name, const NameAt& winnerName) const
{
    return winners.contains(TNameIndex::hashOf(name),
                            [&](quint32 row) { return winnerName(static_cast<int>(row)) == name; });
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
