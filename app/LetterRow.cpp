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
