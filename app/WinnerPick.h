#pragma once

#include "NameIndex.h"

#include <QByteArray>
#include <QtGlobal>
#include <functional>

class TRxMemoryData;

// Who can still win is one rule, for the pick, for the refusal to start a draw and for the count
// in the status bar: a participant whose name no winner bears, byte for byte. Winners the
// participant list no longer holds (deleted since, or brought back from an earlier run) take
// nobody's place. Counted through the participant table's name index, one look-up per distinct
// winner name, so a million participants cost no more than ten.
int countEligible(const TRxMemoryData& kisi, int kisiName, const TRxMemoryData& kzn, int kznName);
// Participants bearing exactly this name.
int participantsNamed(const TRxMemoryData& kisi, int nameField, const QByteArray& name);

// Picks the next winner among the participants: reseed the shared generator, take a participant
// at random, and try again while that name already won (exact, case-sensitive comparison).
// The winners are indexed by the hash of their names (each hit is confirmed against the name
// itself), so a pick costs the same with a hundred thousand winners as with none. Participants whose names all won
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
    bool hasWon(const QByteArray& name, const NameAt& winnerName) const;

    // The winners' rows filed by the hash of their names; the index keeps the hashes, so
    // growing never reads the names again.
    TNameIndex winners;
    int known = 0;
    QByteArray lastKnown;
    int attempts = 0;
};
