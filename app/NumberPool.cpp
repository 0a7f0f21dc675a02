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

    qint64 excluded = 0;
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
            excluded += runLast - runFirst + 1;
        runFirst = r.first;
        runLast = r.last;
        inRun = true;
    }
    if (inRun)
        excluded += runLast - runFirst + 1;
    eligible = static_cast<qint64>(span()) - excluded;
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
    return true;
}
