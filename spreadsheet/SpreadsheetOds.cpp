#include "SpreadsheetOds.h"

#include "SpreadsheetMarkup.h"
#include "SpreadsheetReader.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetZip.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {
using Element = orcus::sax::parser_element;
using Attribute = orcus::sax::parser_attribute;

constexpr std::size_t npos = std::string_view::npos;
// Past the last column of a sheet; a cell there still makes its row used.
constexpr std::int64_t columnLimit = 16384;
// Row numbers are cut here: far past any sheet, so the sheet reports them as too many rows.
constexpr std::int64_t rowCeiling = std::int64_t(1) << 30;
// Repeat counts are cut here; what they add up to is checked against the limits.
constexpr std::int64_t repeatCeiling = std::int64_t(1) << 40;
constexpr std::size_t maxDepth = 4096;
constexpr int maxSheets = 4096;

// Where the reader stops on purpose: the rows asked for are in, only the later sheets' names are
// still wanted.
struct StopReading
{
};

enum class ValueType
{
    None,   // written without a type: its paragraphs are its text
    Void,   // empty on purpose
    Number, // float, percentage and currency: the value as a plain number
    Date,
    Time,
    Bool,
    String,
};

ValueType valueTypeOf(std::string_view s)
{
    if (s == "string")
        return ValueType::String;
    if (s == "float" || s == "percentage" || s == "currency")
        return ValueType::Number;
    if (s == "date")
        return ValueType::Date;
    if (s == "time")
        return ValueType::Time;
    if (s == "boolean")
        return ValueType::Bool;
    return s == "void" ? ValueType::Void : ValueType::None;
}

// A repeat count; absent, malformed or zero counts as one, and huge counts stay huge.
std::int64_t repeatOf(std::string_view digits)
{
    const std::optional<std::int64_t> n = spreadsheetDigits(digits, repeatCeiling);
    return n && *n > 0 ? *n : 1;
}

std::optional<double> numberOf(std::string_view s)
{
    s = spreadsheetTrimmed(s);
    if (s.starts_with('+'))
        s.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A time of day as a duration: "PT10H30M00S", "PT10H30M15.5S", also with days ("P1DT2H") or
// negative; as a day serial.
std::optional<double> durationSerial(std::string_view s)
{
    const bool negative = s.starts_with('-');
    if (negative)
        s.remove_prefix(1);
    if (!s.starts_with('P'))
        return std::nullopt;
    s.remove_prefix(1);
    double days = 0, seconds = 0;
    bool inTime = false, any = false;
    while (!s.empty())
    {
        if (s.front() == 'T' && !inTime)
        {
            inTime = true;
            s.remove_prefix(1);
            continue;
        }
        double n = 0;
        const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
        if (error != std::errc() || end == s.data() + s.size() || !std::isfinite(n) || n < 0)
            return std::nullopt;
        const char unit = *end;
        s.remove_prefix(std::size_t(end - s.data()) + 1);
        any = true;
        if (!inTime && unit == 'D')
            days += n;
        else if (inTime && unit == 'H')
            seconds += n * 3600;
        else if (inTime && unit == 'M')
            seconds += n * 60;
        else if (inTime && unit == 'S')
            seconds += n;
        else
            return std::nullopt;
    }
    if (!any)
        return std::nullopt;
    const double serial = days + seconds / 86400.0;
    return negative ? -serial : serial;
}

void appendEntity(std::string& out, std::string_view entity)
{
    if (entity == "amp")
        out += '&';
    else if (entity == "lt")
        out += '<';
    else if (entity == "gt")
        out += '>';
    else if (entity == "quot")
        out += '"';
    else if (entity == "apos")
        out += '\'';
    else if (entity.size() > 1 && entity[0] == '#')
    {
        const bool hex = entity[1] == 'x';
        std::uint32_t code = 0;
        const char* first = entity.data() + (hex ? 2 : 1);
        const auto [end, error] = std::from_chars(first, entity.data() + entity.size(), code, hex ? 16 : 10);
        if (error != std::errc() || end != entity.data() + entity.size() || code == 0 || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return;
        const char32_t character = code;
        const QByteArray utf8 = QString::fromUcs4(&character, 1).toUtf8();
        out.append(utf8.constData(), std::size_t(utf8.size()));
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reads the start tag whose attributes begin at `tag`: `value` gets the attribute `name` with its
// references decoded (left empty when the tag lacks it) and `end` where the tag ends, at its '>'.
// False when the tag is cut short or its quotes do not close: the scan then stops, so that damaged
// markup cannot make it go over the rest of the part again and again.
bool readStartTag(std::string_view xml, std::size_t tag, std::string_view name, std::string& value, std::size_t& end)
{
    value.clear();
    bool found = false;
    std::size_t i = tag;
    while (i < xml.size() && xml[i] != '>')
    {
        if (xml[i] != '=')
        {
            ++i;
            continue;
        }
        std::size_t nameEnd = i;
        while (nameEnd > tag && isBlank(xml[nameEnd - 1]))
            --nameEnd;
        std::size_t nameStart = nameEnd;
        while (nameStart > tag && !isBlank(xml[nameStart - 1]))
            --nameStart;
        std::size_t open = i + 1;
        while (open < xml.size() && isBlank(xml[open]))
            ++open;
        if (open >= xml.size() || (xml[open] != '"' && xml[open] != '\''))
            return false;
        const std::size_t close = xml.find(xml[open], open + 1);
        if (close == npos)
            return false;
        if (!found && xml.substr(nameStart, nameEnd - nameStart) == name)
        {
            found = true;
            // A sheet's name is short; a reference is a few characters up to its ';'.
            const std::string_view raw = xml.substr(open + 1, std::min<std::size_t>(close - open - 1, 4096));
            for (std::size_t k = 0; k < raw.size(); ++k)
            {
                const std::size_t semicolon = raw[k] == '&' ? raw.substr(0, k + 12).find(';', k) : npos;
                if (semicolon == npos)
                    value += raw[k];
                else
                    appendEntity(value, raw.substr(k + 1, semicolon - k - 1)), k = semicolon;
            }
        }
        i = close + 1;
    }
    end = i;
    return i < xml.size();
}

// The names of the sheets from `from` on, found without parsing the markup: past the rows asked
// for, nothing but the names of the later sheets is wanted. `depth` tells how many sheets are open
// at `from` (a sheet may hold tables in its cells).
void addLaterSheetNames(std::string_view xml, std::size_t from, int depth, const std::string& table,
                        SpreadsheetSheet& sheet)
{
    const std::string element = table.empty() ? std::string("table") : table + ":table";
    const std::string name = table.empty() ? std::string("name") : table + ":name";
    std::string value;
    for (std::size_t at = xml.find(element, from); at != npos && at > 0; at = xml.find(element, at + 1))
    {
        const std::size_t after = at + element.size();
        if (after >= xml.size())
            break;
        const char next = xml[after];
        if (!isBlank(next) && next != '>' && next != '/')
            continue;
        if (xml[at - 1] == '/' && at >= 2 && xml[at - 2] == '<')
        {
            depth = std::max(0, depth - 1);
            continue;
        }
        std::size_t end = after;
        if (xml[at - 1] != '<')
            continue;
        if (!readStartTag(xml, after, name, value, end))
            break;
        if (depth == 0)
            sheet.addSheetName(value);
        if (xml[end - 1] != '/')
            ++depth;
        at = end;
    }
}

class ContentHandler : public SpreadsheetMarkupHandler
{
public:
    ContentHandler(SpreadsheetSheet& sheet, const SpreadsheetLimits& limits) : m_sheet(sheet), m_limits(limits) {}

    void attribute(const Attribute& a)
    {
        const std::string_view name = a.name;
        if (a.ns == "xmlns")
            notePrefix(name, a.value);
        else if (name == "value-type")
        {
            // LibreOffice adds a value type of its own ("error" for an error value), which the
            // cell's shown text already tells.
            if (a.ns != m_calcext)
                m_valueType = valueTypeOf(a.value);
        }
        else if (name == "value" || name == "date-value" || name == "time-value" || name == "boolean-value")
            m_value.assign(a.value);
        else if (name == "number-columns-repeated")
            m_columnsRepeated = repeatOf(a.value);
        else if (name == "number-rows-repeated")
            m_rowsRepeated = repeatOf(a.value);
        else if (name == "formula")
            m_formula = true;
        else if (name == "name")
            m_name.assign(a.value);
        else if (name == "c")
            m_blanks = repeatOf(a.value);
    }

    void start_element(const Element& e)
    {
        if (m_open.size() >= maxDepth)
            throw ESpreadsheetError("workbook part nested too deeply");
        m_open.emplace_back(e.ns, e.name);
        m_at = std::size_t(e.end_pos);
        if (m_skip > 0)
            ++m_skip;
        else if (m_inCell)
            startInCell(e.name);
        else if (e.name == "table")
            startTable(e.ns);
        else if (e.name == "table-row" && m_tableDepth == 1 && m_inWanted)
            startRow();
        else if ((e.name == "table-cell" || e.name == "covered-table-cell") && m_inRow)
            startCell();
        clearAttributes();
    }

    void end_element(const Element& e)
    {
        if (m_open.empty() || m_open.back().first != e.ns || m_open.back().second != e.name)
            throw ESpreadsheetError("workbook part damaged: end tag does not match");
        m_open.pop_back();
        m_at = std::size_t(e.end_pos);
        if (m_skip > 0)
            --m_skip;
        else if (m_inCell)
        {
            if (m_open.size() < m_cellDepth)
                endCell();
            else if (m_open.size() < m_paragraphDepth)
                m_paragraphDepth = SIZE_MAX;
        }
        else if (e.name == "table-row" && m_inRow)
            endRow();
        else if (e.name == "table")
            endTable();
    }

    void characters(std::string_view s, bool)
    {
        if (m_paragraphDepth != SIZE_MAX && m_skip == 0)
            spreadsheetAppendText(m_text, s);
    }

    void finish() const
    {
        if (!m_open.empty())
            throw ESpreadsheetError("workbook part damaged: element not closed");
        if (m_sheets == 0)
            throw ESpreadsheetError("workbook without a worksheet");
        if (m_sheets <= m_sheet.wantedSheet())
            throw ESpreadsheetError("no such worksheet");
    }

    // Where the markup read so far ends, and how many sheets are open there.
    std::size_t position() const { return m_at; }
    int openSheets() const { return m_tableDepth; }
    const std::string& tablePrefix() const { return m_table; }

private:
    void notePrefix(std::string_view prefix, std::string_view uri)
    {
        if (uri == "urn:oasis:names:tc:opendocument:xmlns:table:1.0")
            m_table.assign(prefix);
        else if (uri == "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0")
            m_calcext.assign(prefix);
    }

    void clearAttributes()
    {
        m_valueType = ValueType::None;
        m_formula = false;
        m_value.clear();
        m_name.clear();
        m_blanks = 1;
        m_columnsRepeated = m_rowsRepeated = 1;
    }

    void startTable(std::string_view prefix)
    {
        if (m_tableDepth++ > 0)
            return;
        if (++m_sheets > maxSheets + 1)
            throw ESpreadsheetError("workbook with too many worksheets");
        m_sheet.addSheetName(m_name);
        m_inWanted = m_sheets - 1 == m_sheet.wantedSheet();
        if (m_inWanted)
            m_table.assign(prefix);
    }

    void endTable()
    {
        if (--m_tableDepth > 0 || !m_inWanted)
            return;
        m_inWanted = false;
        if (m_sheet.selection().rowLimit > 0)
            throw StopReading();
    }

    void startRow()
    {
        const int rowLimit = m_sheet.selection().rowLimit;
        if (rowLimit > 0 && m_row >= rowLimit)
            throw StopReading();
        m_inRow = true;
        m_rowRepeat = m_rowsRepeated;
        m_rowHasContent = false;
        m_col = 0;
    }

    void endRow()
    {
        m_inRow = false;
        if (m_rowHasContent && m_rowRepeat > 1)
        {
            // A row a file stores once with a repeat count is shown that many times.
            if (m_row + m_rowRepeat > m_limits.maxRows)
                throw ESpreadsheetError("worksheet has more than " + std::to_string(m_limits.maxRows) + " rows");
            std::int64_t copies = m_rowRepeat - 1;
            if (const int rowLimit = m_sheet.selection().rowLimit; rowLimit > 0)
                copies = std::min<std::int64_t>(copies, rowLimit - 1 - m_row);
            if (copies > 0)
                m_sheet.fillDownRow(int(m_row), copies);
        }
        m_row = std::min(m_row + m_rowRepeat, repeatCeiling);
    }

    void startCell()
    {
        m_inCell = true;
        m_cellDepth = m_open.size();
        m_paragraphDepth = SIZE_MAX;
        m_paragraphs = 0;
        m_text.clear();
        m_cellType = m_valueType;
        m_cellFormula = m_formula;
        m_cellRepeat = m_columnsRepeated;
        std::swap(m_cellValue, m_value);
    }

    // Inside a cell only its paragraphs count: not its annotation, nor a drawing or table it holds.
    void startInCell(std::string_view name)
    {
        if (m_paragraphDepth == SIZE_MAX)
        {
            if (name == "p" || name == "h")
            {
                if (m_paragraphs++ > 0)
                    spreadsheetAppendText(m_text, "\n");
                m_paragraphDepth = m_open.size();
            }
            else if (name != "list" && name != "list-item" && name != "list-header")
                m_skip = 1;
            return;
        }
        if (name == "s")
        {
            const std::size_t blanks = std::size_t(std::min<std::int64_t>(m_blanks, spreadsheetCollectedTextBytes));
            spreadsheetAppendText(m_text, std::string(blanks, ' '));
        }
        else if (name == "tab")
            spreadsheetAppendText(m_text, "\t");
        else if (name == "line-break")
            spreadsheetAppendText(m_text, "\n");
        else if (name == "annotation" || name == "note" || name == "frame")
            m_skip = 1;
    }

    void endCell()
    {
        m_inCell = false;
        m_paragraphDepth = SIZE_MAX;
        const std::int64_t col = m_col, repeat = m_cellRepeat;
        m_col = std::min(m_col + repeat, repeatCeiling);
        // A cell without a value or a paragraph is empty, whatever else it holds (an annotation, a style).
        const bool content = m_paragraphs > 0 || m_cellType != ValueType::None || m_cellFormula;
        if (!content)
            return;
        m_rowHasContent = true;
        const std::int64_t maxCells = m_limits.maxXlsCells;
        // Each count alone within the limit, their product cannot overflow.
        if (repeat > maxCells || m_rowRepeat > maxCells || (m_repeatedCells += repeat * m_rowRepeat - 1) > maxCells)
            throw ESpreadsheetError("worksheet announces more than " + std::to_string(maxCells) + " repeated cells");
        if (col >= columnLimit)
        {
            m_sheet.noteUsedRow(row());
            return;
        }
        const std::int64_t end = std::min(col + repeat, columnLimit);
        if (!setValue(int(col)))
            return;
        for (const int kept : m_sheet.selection().columns)
            if (kept > col && kept < end)
                setValue(kept);
        m_sheet.noteUsedColumns(int(end));
    }

    // The cell's value at `col` of the current row; false when the cell shows nothing.
    bool setValue(int col)
    {
        switch (m_cellType)
        {
        case ValueType::Number:
            if (const std::optional<double> value = numberOf(m_cellValue))
            {
                m_sheet.setNumber(row(), col, *value);
                return true;
            }
            break;
        case ValueType::Date:
            if (const std::optional<double> serial = spreadsheetIsoSerial(m_cellValue))
            {
                m_sheet.setDateTime(row(), col, *serial);
                return true;
            }
            break;
        case ValueType::Time:
            if (const std::optional<double> serial = durationSerial(m_cellValue))
            {
                m_sheet.setDateTime(row(), col, *serial);
                return true;
            }
            break;
        case ValueType::Bool:
            m_sheet.setBool(row(), col, m_cellValue == "true" || m_cellValue == "1");
            return true;
        case ValueType::String:
        case ValueType::None:
            m_sheet.setText(row(), col, m_text);
            return true;
        case ValueType::Void:
            break;
        }
        m_sheet.noteUsedRow(row());
        return false;
    }

    int row() const { return int(std::min(m_row, rowCeiling)); }

    SpreadsheetSheet& m_sheet;
    const SpreadsheetLimits& m_limits;
    std::vector<std::pair<std::string_view, std::string_view>> m_open; // elements open, for the end tags
    std::size_t m_at = 0;
    std::string m_table = "table", m_calcext = "calcext"; // the prefixes the document binds

    // Attributes of the element being read.
    ValueType m_valueType = ValueType::None;
    bool m_formula = false;
    std::string m_value, m_name;
    std::int64_t m_blanks = 1;
    std::int64_t m_columnsRepeated = 1, m_rowsRepeated = 1;

    int m_sheets = 0;
    int m_tableDepth = 0;
    bool m_inWanted = false;
    std::int64_t m_row = 0, m_col = 0, m_rowRepeat = 1, m_repeatedCells = 0;
    bool m_inRow = false, m_rowHasContent = false;

    // The cell being read.
    bool m_inCell = false;
    std::size_t m_cellDepth = 0, m_paragraphDepth = SIZE_MAX;
    int m_skip = 0;
    int m_paragraphs = 0;
    ValueType m_cellType = ValueType::None;
    bool m_cellFormula = false;
    std::string m_cellValue, m_text;
    std::int64_t m_cellRepeat = 1;
};
} // namespace

void spreadsheetReadOds(const QByteArray& content, SpreadsheetSheet& sheet, const SpreadsheetLimits& limits)
{
    bool found = false;
    spreadsheetVisitZip(
        content, [&](std::string_view entry) { return !found && entry == "content.xml"; },
        [&](std::string_view xml) {
            found = true;
            ContentHandler handler(sheet, limits);
            try
            {
                spreadsheetParseMarkup(xml, handler);
                handler.finish();
            }
            catch (const StopReading&)
            {
                addLaterSheetNames(xml, handler.position(), handler.openSheets(), handler.tablePrefix(), sheet);
            }
            catch (const ESpreadsheetError&)
            {
                throw;
            }
            catch (const std::exception& e)
            {
                throw ESpreadsheetError(std::string("workbook part damaged: ") + e.what());
            }
        });
    if (!found)
        throw ESpreadsheetError("workbook part missing: content.xml");
}
