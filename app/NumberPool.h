#pragma once

#include <QList>
#include <QSet>
#include <QtGlobal>

// One excluded range of the number draw: both bounds inclusive, in table order.
struct ExcludedRange
{
    qint64 first = 0; // BASLANGIC
    qint64 last = 0;  // BITIS
};

// The arithmetic of the number draw, free of widgets and tables. Everything is 64-bit: the
// bounds are 32-bit values, and spans, sums and differences of them do not fit in 32 bits.
class NumberPool
{
public:
    NumberPool(qint64 start, qint64 end, QList<ExcludedRange> ranges);

    // The count the operator sees under "Sayı Adedi": the size of [start, end] minus the full
    // size of every range lying wholly inside it. Ranges reaching outside are ignored and
    // overlapping ranges are subtracted twice, so this can overstate or understate the truth.
    static qint64 shownCount(qint64 start, qint64 end, const QList<ExcludedRange>& ranges);

    // How many numbers of [start, end] really lie in no range (overlaps merged, ranges clipped).
    qint64 eligibleCount() const { return eligible; }

    // Size of [start, end]; 0 when end < start. At most 2^32 for 32-bit bounds.
    quint64 span() const;
    // The number a pick r (0 <= r < span) stands for.
    qint64 numberAt(quint64 r) const { return start_ + static_cast<qint64>(r); }

    // Index of the first range, in table order, that holds n; -1 when none does. The rows
    // examined before a match (or all rows, without one) are what the draw paces itself by.
    int excludingRange(qint64 n) const;
    int rangeCount() const { return static_cast<int>(ranges_.size()); }

    bool isTaken(qint64 n) const { return taken.contains(n); }
    // Records n as drawn; returns false when it was already taken. n must be eligible.
    bool take(qint64 n);
    qint64 takenCount() const { return taken.size(); }
    // Eligible numbers not drawn yet; the draw must stop at 0 or it would never end.
    qint64 remaining() const { return eligible - takenCount(); }

    // The k-th (from 0, in ascending order) of the eligible numbers not drawn yet,
    // 0 <= k < remaining(). With k uniform, a pick that can never be rejected.
    qint64 remainingAt(quint64 k) const;

private:
    // Eligible numbers before n (n itself eligible or not).
    qint64 eligibleBefore(qint64 n) const;
    // The k-th eligible number, 0 <= k < eligibleCount().
    qint64 eligibleAt(qint64 k) const;

    qint64 start_;
    qint64 end_;
    QList<ExcludedRange> ranges_;
    qint64 eligible = 0;
    QSet<qint64> taken;
    QList<qint64> takenInOrder; // the taken numbers, ascending
    // The eligible runs between the merged excluded ranges, ascending, and how many eligible
    // numbers lie before each.
    QList<ExcludedRange> gaps;
    QList<qint64> gapOffsets;
};
