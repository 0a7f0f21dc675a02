#include "SpreadsheetSheet.h"

#include "HugePages.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <bit>
#include <cmath>

QDate spreadsheetDayZero()
{
    return QDate(1899, 12, 30);
}

namespace {
const QDate serialZero = spreadsheetDayZero();

// Dates a spreadsheet can show: years 100 to 9999.
constexpr double minSerial = -657434.0;
constexpr double maxSerial = 2958466.0;

constexpr int maxSheetColumns = 16384;
constexpr qsizetype maxSheets = 4096;

// Where a text is cut to SpreadsheetSheet::maxCellBytes: never inside a character.
std::size_t cutPoint(std::string_view utf8)
{
    if (utf8.size() <= SpreadsheetSheet::maxCellBytes)
        return utf8.size();
    std::size_t cut = SpreadsheetSheet::maxCellBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

std::uint64_t packText(std::size_t offset, std::size_t length)
{
    return (static_cast<std::uint64_t>(offset) << 32) | static_cast<std::uint32_t>(length);
}
} // namespace

SpreadsheetSheet::SpreadsheetSheet(qint64 maxTextBytes, int maxRows, SpreadsheetSelection selection)
    : m_maxTextBytes(maxTextBytes), m_maxRows(maxRows), m_selection(std::move(selection))
{
    // A column asked for twice is kept once; one out of any sheet's reach is dropped.
    std::vector<int> kept;
    for (const int col : m_selection.columns)
        if (col >= 0 && col < maxSheetColumns && std::find(kept.begin(), kept.end(), col) == kept.end())
            kept.push_back(col);
    m_selection.columns = kept;
    m_width = kept.size();
    for (std::size_t slot = 0; slot < kept.size(); ++slot)
    {
        const auto col = static_cast<std::size_t>(kept[slot]);
        if (col >= m_slotOf.size())
            m_slotOf.resize(col + 1, -1);
        m_slotOf[col] = static_cast<int>(slot);
    }
}

void SpreadsheetSheet::addSheetName(std::string_view utf8)
{
    if (m_sheetNames.size() < maxSheets)
        m_sheetNames << QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min<std::size_t>(utf8.size(), 400)));
}

void SpreadsheetSheet::growRows(std::size_t rows)
{
    if (rows <= m_rowCount)
        return;
    m_cells.resize(rows * m_width);
    m_rowCount = rows;
}

void SpreadsheetSheet::noteUsedRow(int row)
{
    if (row < 0)
        return;
    if (m_selection.rowLimit > 0 && row >= m_selection.rowLimit)
    {
        if (m_stopAtRowLimit)
            throw ESpreadsheetEnough();
        return;
    }
    if (row >= m_maxRows)
    {
        m_overRows = true;
        return;
    }
    if (m_firstUsed < 0 || row < m_firstUsed)
        m_firstUsed = row;
    if (row > m_lastUsed)
        m_lastUsed = row;
}

void SpreadsheetSheet::fillDown(int row, int col, qint64 copies)
{
    if (row < 0 || copies <= 0)
        return;
    const qint64 last = row + copies;
    if (last >= m_maxRows)
    {
        m_overRows = true;
        return;
    }
    noteUsedRow(static_cast<int>(last));
    const int slot = slotOf(col);
    if (slot < 0 || static_cast<std::size_t>(row) >= m_rowCount)
        return;
    const Cell source = m_cells[static_cast<std::size_t>(row) * m_width + static_cast<std::size_t>(slot)];
    if (source.kind == Empty)
        return;
    // Past the row limit nothing more is kept.
    qint64 end = last;
    if (m_selection.rowLimit > 0)
        end = std::min<qint64>(end, m_selection.rowLimit - 1);
    if (end <= row)
        return;
    growRows(static_cast<std::size_t>(end) + 1);
    for (qint64 r = row + 1; r <= end; ++r)
        m_cells[static_cast<std::size_t>(r) * m_width + static_cast<std::size_t>(slot)] = source;
}

void SpreadsheetSheet::fillDownRow(int row, qint64 copies)
{
    if (m_width == 0)
        noteUsedRow(static_cast<int>(std::min<qint64>(row + copies, m_maxRows)));
    for (const int col : m_selection.columns)
        fillDown(row, col, copies);
}

void SpreadsheetSheet::reserve(int rows, std::size_t textBytes)
{
    if (rows <= 0 || rows > m_maxRows)
        return;
    if (m_selection.rowLimit > 0)
        rows = std::min(rows, m_selection.rowLimit);
    m_cells.reserve(static_cast<std::size_t>(rows) * m_width);
    adviseHugePages(m_cells.data(), m_cells.capacity() * sizeof(Cell));
    reserveText(textBytes);
}

void SpreadsheetSheet::reserveSharedStrings(std::size_t count, std::size_t textBytes)
{
    m_shared.reserve(count);
    reserveText(textBytes);
}

void SpreadsheetSheet::reserveText(std::size_t bytes)
{
    m_text.reserve(std::min<std::size_t>(bytes, static_cast<std::size_t>(m_maxTextBytes)));
    adviseHugePages(m_text.data(), m_text.capacity());
}

void SpreadsheetSheet::adoptSharedStrings(SpreadsheetSheet&& strings)
{
    m_overText = m_overText || strings.m_overText;
    const std::size_t shift = strings.m_text.size();
    if (static_cast<qint64>(shift + m_text.size()) > m_maxTextBytes || shift + m_text.size() > 0xFFFFFFFFu)
    {
        m_overText = true;
        return;
    }
    // The strings' text is taken as it is and the sheet's own texts, usually none, follow it.
    if (!m_text.empty())
    {
        strings.m_text.append(m_text);
        for (Cell& cell : m_cells)
            if (cell.kind == Text)
                cell.payload += static_cast<std::uint64_t>(shift) << 32;
    }
    m_text = std::move(strings.m_text);
    m_shared = std::move(strings.m_shared);
}

SpreadsheetSheet::Cell* SpreadsheetSheet::keptCell(int row, int col)
{
    noteUsedRow(row);
    if (col > m_lastUsedCol && col < maxSheetColumns && row >= 0 &&
        (m_selection.rowLimit <= 0 || row < m_selection.rowLimit))
        m_lastUsedCol = col;
    return slotCell(row, slotOf(col));
}

SpreadsheetSheet::Cell* SpreadsheetSheet::slotCell(int row, int slot)
{
    if (row < 0 || row >= m_maxRows || slot < 0 || (m_selection.rowLimit > 0 && row >= m_selection.rowLimit))
        return nullptr;
    growRows(static_cast<std::size_t>(row) + 1);
    return &m_cells[static_cast<std::size_t>(row) * m_width + static_cast<std::size_t>(slot)];
}

const SpreadsheetSheet::Cell* SpreadsheetSheet::keptCellAt(int row, int col) const
{
    const int slot = slotOf(col);
    if (row < 0 || slot < 0 || static_cast<std::size_t>(row) >= m_rowCount)
        return nullptr;
    return &m_cells[static_cast<std::size_t>(row) * m_width + static_cast<std::size_t>(slot)];
}

std::size_t SpreadsheetSheet::sharedStringsNamed() const
{
    std::uint64_t named = 0;
    for (const Cell& cell : m_cells)
        if (cell.kind == Shared)
            named = std::max<std::uint64_t>(named, cell.payload + 1);
    return static_cast<std::size_t>(std::min<std::uint64_t>(named, SIZE_MAX));
}

qint64 SpreadsheetSheet::missingSharedString() const
{
    for (const Cell& cell : m_cells)
        if (cell.kind == Shared && cell.payload >= m_shared.size())
            return static_cast<qint64>(std::min<std::uint64_t>(cell.payload, 0x7FFFFFFFFFFFFFFFull));
    return -1;
}

bool SpreadsheetSheet::storeText(std::string_view utf8, std::uint64_t& payload)
{
    utf8 = utf8.substr(0, cutPoint(utf8));
    // Offsets and lengths are packed into 32 bits each.
    if (static_cast<qint64>(m_text.size() + utf8.size()) > m_maxTextBytes || m_text.size() + utf8.size() > 0xFFFFFFFFu)
    {
        m_overText = true;
        return false;
    }
    payload = packText(m_text.size(), utf8.size());
    m_text.append(utf8);
    return true;
}

void SpreadsheetSheet::setText(int row, int col, std::string_view utf8)
{
    Cell* cell = keptCell(row, col);
    if (cell == nullptr)
        return;
    std::uint64_t payload = 0;
    if (!storeText(utf8, payload))
        return;
    cell->kind = Text;
    cell->payload = payload;
}

void SpreadsheetSheet::setSharedString(int row, int col, std::size_t index)
{
    if (Cell* cell = keptCell(row, col))
    {
        cell->kind = Shared;
        cell->payload = index;
    }
}

void SpreadsheetSheet::setNumber(int row, int col, double value)
{
    if (Cell* cell = keptCell(row, col))
    {
        cell->kind = Number;
        cell->payload = std::bit_cast<std::uint64_t>(value);
    }
}

void SpreadsheetSheet::setBool(int row, int col, bool value)
{
    if (Cell* cell = keptCell(row, col))
    {
        cell->kind = Bool;
        cell->payload = value ? 1 : 0;
    }
}

void SpreadsheetSheet::setDateTime(int row, int col, double serial)
{
    if (Cell* cell = keptCell(row, col))
    {
        cell->kind = DateTime;
        cell->payload = std::bit_cast<std::uint64_t>(serial);
    }
}

void SpreadsheetSheet::setFormat(int row, int col, std::size_t xf)
{
    // A format alone does not make a cell used; it only tells how a value is shown.
    if (xf > 0xFFFFFFFFu)
        return;
    if (Cell* cell = slotCell(row, slotOf(col)))
        cell->xf = static_cast<std::uint32_t>(xf);
}

std::size_t SpreadsheetSheet::addSharedString(std::string_view utf8)
{
    std::uint64_t payload = packText(0, 0);
    storeText(utf8, payload); // past the limit the string reads empty and overLimit() is set
    m_shared.push_back(payload);
    return m_shared.size() - 1;
}

void SpreadsheetSheet::setDateOrigin(int year, int month, int day)
{
    const QDate origin(year, month, day);
    if (origin.isValid())
        m_originShift = static_cast<double>(serialZero.daysTo(origin));
}

double SpreadsheetSheet::serialFromOrigin(double value) const
{
    return value + m_originShift;
}

QString SpreadsheetSheet::textAt(std::uint64_t payload) const
{
    const std::size_t offset = payload >> 32;
    const std::size_t length = payload & 0xFFFFFFFFu;
    if (offset + length > m_text.size())
        return {};
    return QString::fromUtf8(m_text.data() + offset, static_cast<qsizetype>(length));
}

QString SpreadsheetSheet::cellText(int row, int col) const
{
    const Cell* kept = keptCellAt(row, col);
    if (kept == nullptr)
        return {};
    const Cell& cell = *kept;
    switch (cell.kind)
    {
    case Empty:
        return {};
    case Text:
        return textAt(cell.payload);
    case Shared:
        return cell.payload < m_shared.size() ? textAt(m_shared[cell.payload]) : QString();
    case Bool:
        return spreadsheetBoolText(cell.payload != 0);
    case DateTime:
        return spreadsheetDateTimeText(std::bit_cast<double>(cell.payload));
    case Number: {
        const double value = std::bit_cast<double>(cell.payload);
        if (cell.xf < m_xfIsDate.size() && m_xfIsDate[cell.xf])
            return spreadsheetDateTimeText(serialFromOrigin(value));
        return spreadsheetNumberText(value);
    }
    }
    return {};
}

std::string_view SpreadsheetSheet::cellUtf8(int row, int col, std::string& scratch) const
{
    const Cell* kept = keptCellAt(row, col);
    if (kept == nullptr)
        return {};
    const Cell& cell = *kept;
    std::uint64_t payload = cell.payload;
    if (cell.kind == Shared)
        payload = cell.payload < m_shared.size() ? m_shared[cell.payload] : packText(0, 0);
    else if (cell.kind != Text)
    {
        scratch = cellText(row, col).toStdString();
        return scratch;
    }
    const std::size_t offset = payload >> 32;
    const std::size_t length = payload & 0xFFFFFFFFu;
    if (offset + length > m_text.size())
        return {};
    return std::string_view(m_text).substr(offset, length);
}

QString spreadsheetNumberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

QString spreadsheetDateTimeText(double serial)
{
    if (!std::isfinite(serial) || serial < minSerial || serial >= maxSerial)
        return spreadsheetNumberText(serial);
    // Negative serials count days back but their fraction is still the time of that day.
    double days = std::trunc(serial);
    qint64 seconds = std::llround(std::fabs(serial - days) * 86400.0);
    if (seconds >= 86400)
    {
        seconds -= 86400;
        days += serial < 0 ? -1 : 1;
    }
    const QDate date = serialZero.addDays(static_cast<qint64>(days));
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds));
    if (days == 0 && seconds != 0)
        return time.toString(QStringLiteral("HH:mm:ss"));
    if (seconds == 0)
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    return date.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

QString spreadsheetBoolText(bool value)
{
    return value ? QStringLiteral("DOĞRU") : QStringLiteral("YANLIŞ");
}

bool spreadsheetFormatIsDate(std::string_view code)
{
    if (code == "General" || code == "Standard" || code == "@")
        return false;
    // Quoted text, escaped characters, fill and padding characters and [colour]/[$-locale]
    // sections say nothing about the kind of value; elapsed-time sections ([h], [mm]) do.
    for (std::size_t i = 0; i < code.size(); ++i)
    {
        const char c = code[i];
        switch (c)
        {
        case '"': {
            const std::size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos)
                return false;
            i = end;
            break;
        }
        case '\\':
        case '_':
        case '*':
            ++i;
            break;
        case '[': {
            const std::size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos)
                return false;
            const std::string_view inside = code.substr(i + 1, end - i - 1);
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
                return true;
            i = end;
            break;
        }
        case ';':
            return false; // only the first section decides
        default:
            if (std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos)
                return true;
            break;
        }
    }
    return false;
}

bool spreadsheetBuiltinFormatIsDate(std::size_t id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

std::vector<bool> spreadsheetDateFormats(const std::vector<std::size_t>& xfFormats,
                                         const std::map<std::size_t, std::string>& codes)
{
    std::vector<bool> result;
    result.reserve(xfFormats.size());
    for (const std::size_t format : xfFormats)
    {
        const auto code = codes.find(format);
        result.push_back(code != codes.end() ? spreadsheetFormatIsDate(code->second)
                                             : spreadsheetBuiltinFormatIsDate(format));
    }
    return result;
}
