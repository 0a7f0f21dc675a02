#pragma once

#include <QByteArray>
#include <QSet>
#include <functional>

// Picks the next winner among the participants: reseed the shared generator, take a participant
// at random, and try again while that name already won (exact, case-sensitive comparison).
// The names that already won are kept in a hash set beside the winners table, so a pick costs
// the same with a hundred thousand winners as with none. Participants whose names all won
// already (possible only with repeated names) make the pick give up instead of looping forever.
class TWinnerPick
{
public:
    using NameAt = std::function<QByteArray(int position)>;

    // The 0-based position of the chosen participant, or -1 when every participant's name has
    // won already. The winner names are read incrementally: only rows added since the last pick
    // are looked at, unless the table no longer ends as it did.
    int pick(int participantCount, const NameAt& participantName, int winnerCount, const NameAt& winnerName);

    // Random attempts made by the last pick before it answered.
    int lastAttempts() const { return attempts; }

    // Random attempts after which every participant is checked once, so a pick always ends.
    static constexpr int AttemptsBeforeScan = 1000;

private:
    void learnWinners(int winnerCount, const NameAt& winnerName);

    QSet<QByteArray> winners;
    int known = 0;
    QByteArray lastKnown;
    int attempts = 0;
};
