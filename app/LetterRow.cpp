#include "LetterRow.h"

#include <algorithm>
#include <optional>

namespace {
constexpr int normalBall = 32;

// The bytes [begin, end) of the text that one row shows.
struct Span
{
    int begin = 0;
    int end = 0;
    int length() const { return end - begin; }
};

Span withoutEdgeBlanks(const QByteArray& text, Span span)
{
    while (span.begin < span.end && text.at(span.begin) == ' ')
        ++span.begin;
    while (span.end > span.begin && text.at(span.end - 1) == ' ')
        --span.end;
    return span;
}

// The row every text got before it had to fit: 32-pixel balls from the centre out, wide or not.
TLetterRow unchangedRow(const QByteArray& text, QSize stage)
{
    TLetterRow row;
    const int length = static_cast<int>(text.size());
    const int x0 = (stage.width() - 2 - normalBall * length) / 2;
    const int y = (stage.height() - 36) / 2;
    row.cells.resize(length);
    for (int i = 0; i < length; ++i)
    {
        if (text.at(i) != ' ')
            row.cells[i] = QRect(x0 + normalBall * i, y, normalBall, normalBall);
    }
    return row;
}

bool insideStage(const TLetterRow& row, QSize stage)
{
    const QRect area(QPoint(), stage);
    return std::all_of(row.cells.cbegin(), row.cells.cend(),
                       [&area](const QRect& cell) { return cell.isNull() || area.contains(cell); });
}

// The name, then the extra information without the " - " that joins them.
QVector<Span> nameAndExtra(const QByteArray& text, int nameLength)
{
    const int length = static_cast<int>(text.size());
    nameLength = std::clamp(nameLength, 0, length);
    int extraBegin = nameLength;
    if (text.mid(nameLength, 3) == " - ")
        extraBegin += 3;
    QVector<Span> spans;
    for (const Span part : {Span{0, nameLength}, Span{extraBegin, length}})
    {
        if (const Span span = withoutEdgeBlanks(text, part); span.length() > 0)
            spans.append(span);
    }
    return spans;
}

// Breaks every span into rows of at most perRow bytes, at the last blank that allows it; a word
// longer than a row is cut where the row ends.
QVector<Span> wrapped(const QByteArray& text, const QVector<Span>& spans, int perRow)
{
    QVector<Span> rows;
    for (Span span : spans)
    {
        while (span.length() > perRow)
        {
            int cut = span.begin + perRow;
            while (cut > span.begin && text.at(cut) != ' ')
                --cut;
            if (cut == span.begin)
                cut = span.begin + perRow;
            const Span head = withoutEdgeBlanks(text, {span.begin, cut});
            rows.append(head);
            span = withoutEdgeBlanks(text, {head.end, span.end});
        }
        if (span.length() > 0)
            rows.append(span);
    }
    return rows;
}

// Each row centred across the stage, the rows a quarter ball apart and centred as a block; none
// when a row is wider than the stage or the block higher.
std::optional<TLetterRow> placedRows(const QByteArray& text, const QVector<Span>& rows, int size, QSize stage)
{
    const int count = static_cast<int>(rows.size());
    const int gap = size / 4;
    const int height = count * size + std::max(0, count - 1) * gap;
    if (height > stage.height())
        return std::nullopt;
    for (const Span& span : rows)
    {
        if (span.length() * size > stage.width())
            return std::nullopt;
    }
    TLetterRow placed;
    placed.ballSize = size;
    placed.rows = count;
    placed.cells.resize(text.size());
    int y = (stage.height() - height) / 2;
    for (const Span& span : rows)
    {
        const int x0 = (stage.width() - span.length() * size) / 2;
        for (int i = span.begin; i < span.end; ++i)
        {
            if (text.at(i) != ' ')
                placed.cells[i] = QRect(x0 + (i - span.begin) * size, y, size, size);
        }
        y += size + gap;
    }
    return placed;
}
} // namespace

TLetterRow layoutLetterRow(const QByteArray& text, int nameLength, QSize stage)
{
    const TLetterRow row = unchangedRow(text, stage);
    if (insideStage(row, stage))
        return row;
    const QVector<Span> spans = nameAndExtra(text, nameLength);
    for (int size = normalBall; size >= TLetterRow::smallestBallSize; --size)
    {
        if (auto placed = placedRows(text, spans, size, stage))
            return *placed;
    }
    for (int size = TLetterRow::smallestBallSize; size >= 1; --size)
    {
        const int perRow = stage.width() / size;
        if (perRow < 1)
            continue;
        if (auto placed = placedRows(text, wrapped(text, spans, perRow), size, stage))
            return *placed;
    }
    TLetterRow nothing;
    nothing.ballSize = 0;
    nothing.rows = 0;
    nothing.cells.resize(text.size());
    return nothing;
}

namespace {
struct Block
{
    int size = 0;
    QVector<Span> rows;
    int height() const
    {
        const int count = static_cast<int>(rows.size());
        return count * size + std::max(0, count - 1) * (size / 4);
    }
};

int longestWord(const QByteArray& text, Span span)
{
    int longest = 0;
    int run = 0;
    for (int i = span.begin; i < span.end; ++i)
    {
        run = text.at(i) == ' ' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// The largest balls, up to `largest`, whose rows fit the area; words are cut only when no size
// lets every word fit a row. One row is kept while its balls are at least `oneRow` large, and the
// rows of a wrapped text are made as even as their count allows.
Block fittedBlock(const QByteArray& text, Span span, int largest, int oneRow, QSize area)
{
    const int single = std::min({largest, area.width() / std::max(1, span.length()), area.height()});
    if (single >= oneRow && single > 0)
        return Block{single, {span}};
    const int word = longestWord(text, span);
    for (const bool cutting : {false, true})
    {
        for (int size = largest; size >= 1; --size)
        {
            const int perRow = area.width() / size;
            if (perRow < 1 || (!cutting && perRow < word))
                continue;
            Block block{size, wrapped(text, {span}, perRow)};
            if (block.height() > area.height())
                continue;
            for (int even = cutting ? 1 : word; even < perRow; ++even)
            {
                if (auto rows = wrapped(text, {span}, even); rows.size() <= block.rows.size())
                {
                    block.rows = rows;
                    break;
                }
            }
            return block;
        }
    }
    return {};
}

void place(const QByteArray& text, const Block& block, int top, int width, int left, QVector<QRect>& cells)
{
    int y = top;
    for (const Span& span : block.rows)
    {
        const int x0 = left + (width - span.length() * block.size) / 2;
        for (int i = span.begin; i < span.end; ++i)
        {
            if (text.at(i) != ' ')
                cells[i] = QRect(x0 + (i - span.begin) * block.size, y, block.size, block.size);
        }
        y += block.size + block.size / 4;
    }
}
} // namespace

THeadline layoutHeadline(const QByteArray& text, int nameLength, QSize screen, bool withPicture)
{
    const int w = screen.width();
    const int h = screen.height();
    const int margin = h / 50;
    THeadline headline;
    headline.cells.resize(text.size());
    const int bandHeight = h * 4 / 25;
    headline.title = QRect(margin, margin, w - 2 * margin, bandHeight);
    if (withPicture)
    {
        headline.title.setWidth(w * 2 / 3 - 2 * margin);
        headline.picture = QRect(w * 2 / 3, margin, w / 3 - margin, bandHeight);
    }
    const QRect room(margin, headline.title.bottom() + 1 + margin, w - 2 * margin,
                     h - headline.title.bottom() - 1 - 2 * margin);
    const QVector<Span> spans = nameAndExtra(text, nameLength);
    if (spans.isEmpty() || room.width() < 1 || room.height() < 1)
        return headline;
    // With extra information the name keeps the upper part, so the second block gets room too.
    const bool withExtra = spans.size() > 1;
    const int nameHeight = withExtra ? room.height() * 7 / 10 : room.height();
    const Block name = fittedBlock(text, spans.first(), h / 4, h * 14 / 100, QSize(room.width(), nameHeight));
    Block extra;
    const int gap = name.size / 3;
    if (withExtra && name.size > 0)
        extra = fittedBlock(text, spans.at(1), std::max(1, name.size * 3 / 5), h * 7 / 100,
                            QSize(room.width(), room.height() - name.height() - gap));
    headline.nameBall = name.size;
    headline.extraBall = extra.size;
    const int height = name.height() + (extra.size > 0 ? gap + extra.height() : 0);
    const int top = room.y() + (room.height() - height) / 2;
    place(text, name, top, room.width(), room.x(), headline.cells);
    if (extra.size > 0)
        place(text, extra, top + name.height() + gap, room.width(), room.x(), headline.cells);
    if (name.size > 0)
        headline.block = QRect(room.x(), top, room.width(), height);
    const int smallest = extra.size > 0 ? extra.size : name.size;
    headline.titlePixels = std::clamp(smallest * 7 / 10, 12, std::max(12, h * 3 / 40));
    return headline;
}
