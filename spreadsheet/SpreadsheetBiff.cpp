#include "SpreadsheetBiff.h"

#include "Codec1254.h"
#include "LittleEndian.h"
#include "SpreadsheetReader.h"
#include "SpreadsheetSheet.h"

#include <bit>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {
constexpr std::uint32_t bof2 = 0x0009, bof3 = 0x0209, bof4 = 0x0409, bof8 = 0x0809, eof = 0x000A;
constexpr std::uint32_t worksheetKind = 0x0010;

struct Record
{
    std::uint32_t type = 0;
    const unsigned char* body = nullptr;
    qsizetype length = 0;

    std::uint32_t u8(qsizetype at) const { return at < length ? body[at] : 0u; }
    std::uint32_t u16(qsizetype at) const { return at + 2 <= length ? leU16(body + at) : 0u; }
    std::uint32_t u32(qsizetype at) const { return at + 4 <= length ? leU32(body + at) : 0u; }
    double f64(qsizetype at) const
    {
        if (at + 8 > length)
            return 0;
        const std::uint64_t bits = std::uint64_t(u32(at)) | std::uint64_t(u32(at + 4)) << 32;
        return std::bit_cast<double>(bits);
    }
};

// Walks the records of a stream from `pos`; a record cut short ends the walk.
class Records
{
public:
    Records(const QByteArray& stream, qsizetype pos) : m_stream(stream), m_pos(pos) {}
    bool next(Record& record)
    {
        if (m_pos < 0 || m_pos + 4 > m_stream.size())
            return false;
        const auto* header = reinterpret_cast<const unsigned char*>(m_stream.constData()) + m_pos;
        record.type = leU16(header);
        record.length = leU16(header + 2);
        if (m_pos + 4 + record.length > m_stream.size())
            return false;
        record.body = header + 4;
        m_pos += 4 + record.length;
        return true;
    }

private:
    const QByteArray& m_stream;
    qsizetype m_pos;
};

std::string_view errorText(std::uint32_t code)
{
    switch (code)
    {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    default:
        return "#N/A";
    }
}

// A cached formula result: a number, or (its last two bytes 0xFFFF) a kind in its first byte.
enum class Result
{
    Number,
    Text, // in the STRING record that follows
    Bool,
    Error,
    Empty,
};
Result resultKind(const Record& r, qsizetype at)
{
    if (r.u16(at + 6) != 0xFFFF)
        return Result::Number;
    switch (r.u8(at))
    {
    case 0:
        return Result::Text;
    case 1:
        return Result::Bool;
    case 2:
        return Result::Error;
    default:
        return Result::Empty;
    }
}

// Excel 2.1 to 4.0 store text in the code page of the system that wrote the file (its CODEPAGE
// record says which); a file without one is taken as Turkish Windows wrote it.
QString decodeText(const unsigned char* p, qsizetype n, std::uint32_t codePage)
{
    const char* bytes = reinterpret_cast<const char*>(p);
    if (codePage == 1252 || codePage == 0x8001)
    {
        static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                          0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
        QString text(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            text[i] = QChar(p[i] >= 0x80 && p[i] < 0xA0 ? high[p[i] - 0x80] : char16_t(p[i]));
        return text;
    }
    return Cp1254::toUnicode(bytes, n);
}

class OldBiffReader
{
public:
    explicit OldBiffReader(SpreadsheetSheet& sheet) : m_sheet(sheet) {}

    void run(const QByteArray& content)
    {
        Records records(content, 0);
        Record r;
        int depth = 0;
        bool inSheet = false;
        while (records.next(r))
        {
            if (r.type == bof2 || r.type == bof3 || r.type == bof4 || r.type == bof8)
            {
                // A workbook of Excel 4.0 holds its sheets one after another, each from its BOF.
                if (!inSheet && r.u16(2) == worksheetKind)
                    inSheet = true, depth = 0;
                else if (inSheet)
                    ++depth;
                continue;
            }
            if (r.type == eof)
            {
                if (inSheet && depth-- == 0)
                    break;
                continue;
            }
            readGlobal(r);
            if (inSheet && depth == 0)
                readCell(r);
        }
        if (!inSheet)
            throw ESpreadsheetError("Excel 2.1-4.0 file without a worksheet");
        finish();
    }

private:
    void readGlobal(const Record& r)
    {
        switch (r.type)
        {
        case 0x0042: // CODEPAGE
            m_codePage = r.u16(0);
            break;
        case 0x0022: // DATEMODE
            if (r.u16(0) != 0)
                m_sheet.setDateOrigin(1904, 1, 1);
            break;
        case 0x001E: // FORMAT of Excel 2.1 and 3.0, numbered in order
            m_formats[m_formatCount++] = text8(r, 0);
            break;
        case 0x041E: // FORMAT of Excel 4.0, numbered by itself
            m_formats[r.u16(0)] = text8(r, 2);
            break;
        case 0x0243: // XF of Excel 3.0 and 4.0: its number format
        case 0x0443:
            m_xfFormats.push_back(r.u8(1));
            break;
        default:
            break;
        }
    }

    void readCell(const Record& r)
    {
        // The records of an array, shared or table formula stand between a formula and its text.
        if (r.type == 0x0221 || r.type == 0x04BC || r.type == 0x0236)
            return;
        const int pendingRow = std::exchange(m_stringRow, -1);
        // Records of Excel 2.1 carry the number format in their attributes; later ones an XF.
        const bool biff2 = r.type < 0x0100;
        const int row = int(r.u16(0));
        const int col = int(r.u16(2));
        const qsizetype value = biff2 ? 7 : 6;
        const std::size_t format = biff2 ? (r.u8(5) & 0x3F) : r.u16(4);
        switch (r.type)
        {
        case 0x0002: // INTEGER
            m_sheet.setNumber(row, col, r.u16(value));
            break;
        case 0x0003: // NUMBER
        case 0x0203:
            m_sheet.setNumber(row, col, r.f64(value));
            break;
        case 0x027E: // RK
            m_sheet.setNumber(row, col, rkValue(r.u32(value)));
            break;
        case 0x0004: // LABEL
            setText(row, col, text8(r, value));
            break;
        case 0x0204:
            setText(row, col, text16(r, value));
            break;
        case 0x0005: // BOOLERR
        case 0x0205:
            if (r.u8(value + 1) != 0)
                m_sheet.setText(row, col, errorText(r.u8(value)));
            else
                m_sheet.setBool(row, col, r.u8(value) != 0);
            break;
        case 0x0006: // FORMULA
        case 0x0206:
        case 0x0406:
            readFormula(r, row, col, value);
            break;
        case 0x0007: // STRING: the text result of the formula before it
            if (pendingRow >= 0)
                setText(pendingRow, m_stringCol, text8(r, 0));
            return;
        case 0x0207:
            if (pendingRow >= 0)
                setText(pendingRow, m_stringCol, text16(r, 0));
            return;
        default:
            return;
        }
        if (r.type != 0x0004 && r.type != 0x0204 && r.type != 0x0007 && r.type != 0x0207)
            m_sheet.setFormat(row, col, biff2 ? format : xfBase + format);
    }

    void readFormula(const Record& r, int row, int col, qsizetype at)
    {
        switch (resultKind(r, at))
        {
        case Result::Number:
            m_sheet.setNumber(row, col, r.f64(at));
            break;
        case Result::Text:
            m_sheet.noteUsedRow(row);
            m_stringRow = row, m_stringCol = col;
            return;
        case Result::Bool:
            m_sheet.setBool(row, col, r.u8(at + 2) != 0);
            break;
        case Result::Error:
            m_sheet.setText(row, col, errorText(r.u8(at + 2)));
            break;
        case Result::Empty:
            m_sheet.noteUsedRow(row);
            break;
        }
    }

    static double rkValue(std::uint32_t rk)
    {
        double value = (rk & 2) != 0 ? double(std::int32_t(rk) >> 2)
                                     : std::bit_cast<double>(std::uint64_t(rk & 0xFFFFFFFCu) << 32);
        return (rk & 1) != 0 ? value / 100 : value;
    }

    QString text8(const Record& r, qsizetype at) const
    {
        const qsizetype n = std::min<qsizetype>(r.u8(at), r.length - at - 1);
        return n > 0 ? decodeText(r.body + at + 1, n, m_codePage) : QString();
    }
    QString text16(const Record& r, qsizetype at) const
    {
        const qsizetype n = std::min<qsizetype>(r.u16(at), r.length - at - 2);
        return n > 0 ? decodeText(r.body + at + 2, n, m_codePage) : QString();
    }
    void setText(int row, int col, const QString& text)
    {
        if (text.isEmpty())
            m_sheet.noteUsedRow(row);
        else
            m_sheet.setText(row, col, text.toStdString());
    }

    // Cells of Excel 2.1 name a number format (below 64), later ones an XF naming one (kept from
    // xfBase on), so that one table tells which of them show dates.
    void finish()
    {
        auto isDate = [&](std::size_t format) {
            const auto code = m_formats.find(format);
            return code != m_formats.end() && spreadsheetFormatIsDate(code->second.toStdString());
        };
        std::vector<bool> dates(xfBase + m_xfFormats.size(), false);
        for (std::size_t f = 0; f < xfBase; ++f)
            dates[f] = isDate(f);
        for (std::size_t xf = 0; xf < m_xfFormats.size(); ++xf)
            dates[xfBase + xf] = isDate(m_xfFormats[xf]);
        m_sheet.setDateFormats(std::move(dates));
    }

    static constexpr std::size_t xfBase = 64;

    SpreadsheetSheet& m_sheet;
    std::uint32_t m_codePage = 1254;
    std::map<std::size_t, QString> m_formats;
    std::size_t m_formatCount = 0;
    std::vector<std::size_t> m_xfFormats;
    int m_stringRow = -1;
    int m_stringCol = 0;
};
} // namespace

bool spreadsheetLooksLikeOldBiff(const QByteArray& content)
{
    if (content.size() < 8)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(content.constData());
    const std::uint32_t type = leU16(p);
    const std::uint32_t length = leU16(p + 2);
    return (type == bof2 && length == 4) || ((type == bof3 || type == bof4) && length == 6);
}

void spreadsheetReadOldBiff(const QByteArray& content, SpreadsheetSheet& sheet)
{
    // Only the first worksheet of these files is offered.
    if (sheet.wantedSheet() != 0)
        throw ESpreadsheetError("no such worksheet");
    OldBiffReader(sheet).run(content);
}

void spreadsheetReadXlsMissedCells(const QByteArray& workbookStream, SpreadsheetSheet& sheet)
{
    // The workbook's globals list its sheets (BOUNDSHEET) with the stream offsets of their BOFs.
    qsizetype first = -1;
    int sheets = 0;
    bool biff8 = true;
    std::uint32_t codePage = 1252;
    {
        Records globals(workbookStream, 0);
        Record r;
        while (first < 0 && globals.next(r) && r.type != eof)
            if (r.type == bof8)
                biff8 = r.u16(0) >= 0x0600;
            else if (r.type == 0x0042)
                codePage = r.u16(0);
            else if (r.type == 0x0085 && sheets++ == sheet.wantedSheet())
                first = r.u8(5) == 0 ? qsizetype(r.u32(0)) : 0;
    }
    if (first <= 0)
        return;
    Records cells(workbookStream, first);
    Record r;
    int depth = -1;
    int textRow = -1, textCol = 0; // a formula whose text result follows in a STRING record
    while (cells.next(r))
    {
        if (r.type == bof8 || r.type == bof4 || r.type == bof3 || r.type == bof2)
            ++depth;
        else if (r.type == eof && depth-- <= 0)
            break;
        if (depth != 0)
            continue;
        // The records of an array, shared or table formula stand between a formula and its text.
        if (r.type == 0x0221 || r.type == 0x04BC || r.type == 0x0236)
            continue;
        const int pendingRow = std::exchange(textRow, -1);
        if (r.type == 0x0207 && pendingRow >= 0)
        {
            const qsizetype n = r.u16(0);
            const qsizetype room = std::max<qsizetype>(0, r.length - (biff8 ? 3 : 2));
            QString text;
            if (!biff8)
                text = decodeText(r.body + 2, std::min(n, room), codePage);
            else if ((r.u8(2) & 1) != 0)
                text = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.body + 3), std::min(n, room / 2));
            else
                text = QString::fromLatin1(reinterpret_cast<const char*>(r.body + 3), std::min(n, room));
            sheet.setText(pendingRow, textCol, text.toStdString());
            continue;
        }
        const int row = int(r.u16(0));
        const int col = int(r.u16(2));
        if (r.type == 0x0006)
            sheet.noteUsedRow(row);
        if (!sheet.keeps(col))
            continue;
        if (r.type == 0x0205 && r.u8(7) != 0)
            sheet.setText(row, col, errorText(r.u8(6)));
        if (r.type != 0x0006)
            continue;
        // Results freexl delivered (a number it shows as a date, say) are kept as they are.
        const bool delivered = !sheet.cellText(row, col).isEmpty();
        switch (resultKind(r, 6))
        {
        case Result::Error:
            sheet.setText(row, col, errorText(r.u8(8)));
            break;
        case Result::Text:
            textRow = row, textCol = col;
            break;
        case Result::Number:
            if (!delivered)
                sheet.setNumber(row, col, r.f64(6));
            break;
        case Result::Bool:
            if (!delivered)
                sheet.setBool(row, col, r.u8(8) != 0);
            break;
        case Result::Empty:
            break;
        }
    }
}
