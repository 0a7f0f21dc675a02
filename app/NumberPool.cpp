#include "NumberPool.h"

#include <algorithm>

NumberPool::NumberPool(qint64 start, qint64 end, QList<ExcludedRange> ranges)
    : start_(start), end_(end), ranges_(std::move(ranges))
{
    if (end_ < start_)
        return;

    // Clip every range to [start, end], then merge overlapping or touching ones so that each
    // excluded number is counted once.
    QList<ExcludedRange> clipped;
    clipped.reserve(ranges_.size());
    for (const ExcludedRange& r : std::as_const(ranges_))
    {
        const qint64 first = std::max(r.first, start_);
        const qint64 last = std::min(r.last, end_);
        if (first <= last)
            clipped.append({first, last});
    }
    std::sort(clipped.begin(), clipped.end(),
              [](const ExcludedRange& a, const ExcludedRange& b) { return a.first < b.first; });

    // Walking the merged runs in order leaves the eligible numbers as the gaps between them.
    qint64 next = start_; // first number not yet covered by a run or a gap
    auto addGap = [this, &next](qint64 before) {
        if (next < before)
        {
            gapOffsets.append(eligible);
            gaps.append({next, before - 1});
            eligible += before - next;
        }
    };
    qint64 runFirst = 0;
    qint64 runLast = -1;
    bool inRun = false;
    for (const ExcludedRange& r : std::as_const(clipped))
    {
        if (inRun && r.first <= runLast + 1)
        {
            runLast = std::max(runLast, r.last);
            continue;
        }
        if (inRun)
        {
            addGap(runFirst);
            next = runLast + 1;
        }
        runFirst = r.first;
        runLast = r.last;
        inRun = true;
    }
    if (inRun)
    {
        addGap(runFirst);
        next = runLast + 1;
    }
    addGap(end_ + 1);
}

qint64 NumberPool::shownCount(qint64 start, qint64 end, const QList<ExcludedRange>& ranges)
{
    qint64 sum = 0;
    for (const ExcludedRange& r : ranges)
    {
        if (r.first >= start && r.last <= end)
            sum += r.last - r.first + 1;
    }
    return end - start + 1 - sum;
}

quint64 NumberPool::span() const
{
    if (end_ < start_)
        return 0;
    return static_cast<quint64>(end_ - start_) + 1u;
}

int NumberPool::excludingRange(qint64 n) const
{
    for (qsizetype i = 0; i < ranges_.size(); ++i)
    {
        if (ranges_[i].first <= n && n <= ranges_[i].last)
            return static_cast<int>(i);
    }
    return -1;
}

bool NumberPool::take(qint64 n)
{
    if (taken.contains(n))
        return false;
    taken.insert(n);
    takenInOrder.insert(std::lower_bound(takenInOrder.begin(), takenInOrder.end(), n), n);
    return true;
}

qint64 NumberPool::eligibleBefore(qint64 n) const
{
    const auto after = std::upper_bound(gaps.cbegin(), gaps.cend(), n,
                                        [](qint64 value, const ExcludedRange& gap) { return value < gap.first; });
    if (after == gaps.cbegin())
        return 0;
    const qsizetype g = after - gaps.cbegin() - 1;
    return gapOffsets.at(g) + std::min(n, gaps.at(g).last + 1) - gaps.at(g).first;
}

qint64 NumberPool::eligibleAt(qint64 k) const
{
    const qsizetype g = std::upper_bound(gapOffsets.cbegin(), gapOffsets.cend(), k) - gapOffsets.cbegin() - 1;
    return gaps.at(g).first + (k - gapOffsets.at(g));
}

qint64 NumberPool::remainingAt(quint64 k) const
{
    // Every taken number at or below the answer moves it one eligible number further on. The
    // taken numbers come in ascending order, so one pass finds how many that are.
    qint64 index = static_cast<qint64>(k);
    for (qint64 t : takenInOrder)
    {
        if (eligibleBefore(t) > index)
            break;
        ++index;
    }
    return eligibleAt(index);
}
