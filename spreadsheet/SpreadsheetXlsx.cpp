#include "SpreadsheetXlsx.h"

#include "SpreadsheetMarkup.h"
#include "SpreadsheetReader.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetZip.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {
using Element = orcus::sax::parser_element;
using Attribute = orcus::sax::parser_attribute;
using Handler = SpreadsheetMarkupHandler;

// Past the last column of a sheet; a cell there still makes its row used.
constexpr std::int64_t columnLimit = 16384;
// Row numbers are cut here: far past any sheet, so the sheet reports them as too many rows.
constexpr std::int64_t rowLimit = std::int64_t(1) << 30;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// The part's bytes, shown to `read` while they are at hand; false when the package lacks it.
// Part names are compared as the package format wants them: without regard to case.
template <class Read> bool visitPart(const QByteArray& content, const std::string& name, Read&& read)
{
    bool found = false;
    spreadsheetVisitZip(
        content, [&](std::string_view entry) { return !found && equalsIgnoringCase(entry, name); },
        [&](std::string_view data) {
            found = true;
            read(data);
        });
    return found;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The UTF-16 unit an escape "_xHHHH_" at `at` stands for; -1 when there is none.
int escapedUnit(std::string_view s, std::size_t at)
{
    if (at + 7 > s.size() || s[at] != '_' || s[at + 1] != 'x' || s[at + 6] != '_')
        return -1;
    int unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i)
    {
        const int digit = hexDigit(s[i]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
        out += char(c);
    else if (c < 0x800)
        out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
    else if (c < 0x10000)
        out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    else
        out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 0x3F)), out += char(0x80 | ((c >> 6) & 0x3F)),
            out += char(0x80 | (c & 0x3F));
}

// Excel writes characters XML cannot carry (controls such as a carriage return) as "_xHHHH_", and
// a "_x" of the text that would read as such an escape as "_x005F_x...". Decoded left to right,
// each escape gives its character; anything else, a lone "_x" included, stays as it is. The
// character 0 ends nothing here: it is dropped, as the spreadsheet shows nothing for it.
std::string_view unescape(std::string_view s, std::string& buffer)
{
    std::size_t at = s.find("_x");
    if (at == std::string_view::npos)
        return s;
    buffer.assign(s.substr(0, at));
    while (at < s.size())
    {
        const int unit = escapedUnit(s, at);
        if (unit < 0)
        {
            buffer += s[at++];
            continue;
        }
        at += 7;
        char32_t c = char32_t(unit);
        if (c >= 0xD800 && c <= 0xDBFF)
        {
            const int low = escapedUnit(s, at);
            if (low >= 0xDC00 && low <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + char32_t(low - 0xDC00), at += 7;
            else
                c = 0xFFFD;
        }
        else if (c >= 0xDC00 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c != 0)
            appendUtf8(buffer, c);
    }
    return buffer;
}

// ---------------------------------------------------------------------------------------------
// The package's map: which part is the first worksheet, and where its strings and formats are.

struct Relationship
{
    std::string id;
    std::string type;
    std::string target;
};

class RelationshipsHandler : public Handler
{
public:
    std::vector<Relationship> relationships;

    void attribute(const Attribute& a)
    {
        if (a.name == "Id")
            m_next.id = a.value;
        else if (a.name == "Type")
            m_next.type = a.value;
        else if (a.name == "Target")
            m_next.target = a.value;
        else if (a.name == "TargetMode")
            m_external = a.value == "External";
    }
    void start_element(const Element& e)
    {
        if (e.name == "Relationship" && !m_external && relationships.size() < 100000)
            relationships.push_back(m_next);
        m_next = {};
        m_external = false;
    }

private:
    Relationship m_next;
    bool m_external = false;
};

class WorkbookHandler : public Handler
{
public:
    std::vector<std::string> sheetIds; // in the order the workbook lists its sheets
    std::vector<std::string> sheetNames;
    bool date1904 = false;

    void attribute(const Attribute& a)
    {
        // The sheet's relationship is "r:id"; a plain "id" is something else.
        if (a.name == "id" && !a.ns.empty())
            m_id = a.value;
        else if (a.name == "name" && a.ns.empty())
            m_name = a.value;
        else if (a.name == "date1904")
            m_date1904 = a.value == "1" || a.value == "true";
    }
    void start_element(const Element& e)
    {
        if (e.name == "sheet" && sheetIds.size() < 100000)
        {
            sheetIds.push_back(m_id);
            sheetNames.push_back(m_name);
        }
        else if (e.name == "workbookPr")
            date1904 = m_date1904;
        m_id.clear();
        m_name.clear();
        m_date1904 = false;
    }

private:
    std::string m_id;
    std::string m_name;
    bool m_date1904 = false;
};

// A relationship's target as a part name: relative to the folder of the part that names it,
// or from the package's root when it starts with a slash.
std::string partName(const std::string& folder, std::string_view target)
{
    std::string path = target.starts_with('/') ? std::string(target.substr(1)) : folder + std::string(target);
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size())
    {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, slash - start);
        if (segment == "..")
        {
            if (!segments.empty())
                segments.pop_back();
        }
        else if (!segment.empty() && segment != ".")
            segments.push_back(segment);
        start = slash + 1;
    }
    std::string name;
    for (const std::string& segment : segments)
        name += (name.empty() ? "" : "/") + segment;
    return name;
}

bool typeIs(const Relationship& r, std::string_view kind)
{
    return r.type.size() > kind.size() && std::string_view(r.type).substr(r.type.size() - kind.size()) == kind &&
           r.type[r.type.size() - kind.size() - 1] == '/';
}

// ---------------------------------------------------------------------------------------------
// Number formats: only whether a cell's format shows a date matters.

class StylesHandler : public Handler
{
public:
    std::vector<bool> xfIsDate() const { return spreadsheetDateFormats(m_xfFormats, m_codes); }

    void attribute(const Attribute& a)
    {
        if (a.name == "numFmtId")
            m_formatId = std::size_t(spreadsheetDigits(a.value, rowLimit).value_or(0));
        else if (a.name == "formatCode")
            m_code = a.value;
    }
    void start_element(const Element& e)
    {
        if (e.name == "numFmts")
            m_inFormats = true;
        else if (e.name == "cellXfs")
            m_inCellXfs = true;
        else if (e.name == "numFmt" && m_inFormats && m_codes.size() < 100000)
            m_codes[m_formatId] = m_code;
        else if (e.name == "xf" && m_inCellXfs && m_xfFormats.size() < 1000000)
            m_xfFormats.push_back(m_formatId);
        m_formatId = 0;
        m_code.clear();
    }
    void end_element(const Element& e)
    {
        if (e.name == "numFmts")
            m_inFormats = false;
        else if (e.name == "cellXfs")
            m_inCellXfs = false;
    }

private:
    std::map<std::size_t, std::string> m_codes;
    std::vector<std::size_t> m_xfFormats;
    std::size_t m_formatId = 0;
    std::string m_code;
    bool m_inFormats = false;
    bool m_inCellXfs = false;
};

// ---------------------------------------------------------------------------------------------
// Text runs of a string item (<si> of the shared strings, <is> of a cell): the letters of its
// <t> elements, plain or in rich-text runs, without the phonetic guide (<rPh>) some East Asian
// texts carry.

class TextRuns
{
public:
    void begin()
    {
        m_text.clear();
        m_phonetic = 0;
        m_inText = false;
    }
    void start(std::string_view name)
    {
        if (name == "rPh")
            ++m_phonetic;
        else if (name == "t")
            m_inText = m_phonetic == 0;
    }
    void end(std::string_view name)
    {
        if (name == "rPh")
            --m_phonetic;
        else if (name == "t")
            m_inText = false;
    }
    void characters(std::string_view s)
    {
        if (m_inText)
            spreadsheetAppendText(m_text, s);
    }
    std::string_view text() { return unescape(m_text, m_unescaped); }

private:
    std::string m_text;
    std::string m_unescaped;
    int m_phonetic = 0;
    bool m_inText = false;
};

class SharedStringsHandler : public Handler
{
public:
    // Past `wanted` strings the handler stops the parse with ESpreadsheetEnough.
    SharedStringsHandler(SpreadsheetSheet& sheet, std::size_t partBytes, std::size_t wanted = SIZE_MAX)
        : m_sheet(sheet), m_partBytes(partBytes), m_wanted(wanted)
    {}

    void attribute(const Attribute& a)
    {
        if (a.name == "uniqueCount")
            m_count = spreadsheetDigits(a.value, rowLimit).value_or(0);
    }
    void start_element(const Element& e)
    {
        // The strings' text is shorter than the part that holds them, and each takes at least
        // the bytes of "<si/>", whatever count the part announces.
        if (e.name == "sst")
            m_sheet.reserveSharedStrings(std::min<std::size_t>(std::size_t(m_count), m_partBytes / 5), m_partBytes);
        else if (e.name == "si")
            m_inItem = true, m_runs.begin();
        else if (m_inItem)
            m_runs.start(e.name);
    }
    void end_element(const Element& e)
    {
        if (e.name == "si" && m_inItem)
        {
            m_sheet.addSharedString(m_runs.text());
            m_inItem = false;
            if (++m_added >= m_wanted)
                throw ESpreadsheetEnough();
        }
        else if (m_inItem)
            m_runs.end(e.name);
    }
    void characters(std::string_view s, bool)
    {
        if (m_inItem)
            m_runs.characters(s);
    }

private:
    SpreadsheetSheet& m_sheet;
    std::size_t m_partBytes;
    std::size_t m_wanted;
    std::size_t m_added = 0;
    std::int64_t m_count = 0;
    TextRuns m_runs;
    bool m_inItem = false;
};

// ---------------------------------------------------------------------------------------------
// The worksheet's cells.

class SheetHandler : public Handler
{
public:
    SheetHandler(SpreadsheetSheet& sheet, std::size_t partBytes) : m_sheet(sheet), m_partBytes(partBytes) {}

    void attribute(const Attribute& a)
    {
        if (a.name.size() != 1)
        {
            if (a.name == "ref")
                m_range.assign(a.value);
            return;
        }
        if (a.name[0] == 'r')
            m_ref.assign(a.value), m_hasRef = true;
        else if (a.name[0] == 't')
            m_type.assign(a.value);
        else if (a.name[0] == 's')
            m_style.assign(a.value);
    }

    void start_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (m_inCell)
        {
            if (name == "v")
                m_inValue = true, m_hasValue = true, m_value.clear();
            else if (name == "f")
                m_hasFormula = true;
            else if (name == "is")
                m_inInline = true, m_hasValue = true, m_runs.begin();
            else if (m_inInline)
                m_runs.start(name);
        }
        else if (name == "dimension")
            reserveRows();
        else if (name == "sheetData")
            m_inData = true;
        else if (m_inData && name == "row")
            startRow();
        else if (m_inData && name == "c")
            startCell();
        clearAttributes();
    }

    void end_element(const Element& e)
    {
        const std::string_view name = e.name;
        if (!m_inCell)
        {
            if (name == "sheetData")
                m_inData = false;
            return;
        }
        if (name == "c")
            endCell();
        else if (name == "v")
            m_inValue = false;
        else if (name == "is")
            m_inInline = false;
        else if (m_inInline)
            m_runs.end(name);
    }

    void characters(std::string_view s, bool)
    {
        if (m_inValue)
            spreadsheetAppendText(m_value, s);
        else if (m_inInline)
            m_runs.characters(s);
    }

private:
    void clearAttributes()
    {
        m_range.clear();
        m_ref.clear();
        m_type.clear();
        m_style.clear();
        m_hasRef = false;
    }

    // A sheet announces its used range ("A1:B1000") before its cells; rows the part cannot
    // hold (each takes at least the bytes of "<row/>") are not believed.
    void reserveRows()
    {
        const std::size_t colon = m_range.find(':');
        std::size_t i = colon == std::string::npos ? 0 : colon + 1;
        while (i < m_range.size() && !(m_range[i] >= '0' && m_range[i] <= '9'))
            ++i;
        const std::int64_t rows = spreadsheetDigits(std::string_view(m_range).substr(i), rowLimit).value_or(0);
        m_sheet.reserve(int(std::min<std::int64_t>(rows, std::int64_t(m_partBytes / 6))), 0);
    }

    void startRow()
    {
        if (const std::optional<std::int64_t> r = m_hasRef ? spreadsheetDigits(m_ref, rowLimit) : std::nullopt;
            r && *r > 0)
            m_row = *r - 1;
        else
            m_row = m_row + 1;
        m_col = -1;
    }

    // "B12": the column's letters, then the row's digits. Without an address a cell follows
    // the one before it in its row.
    void startCell()
    {
        m_inCell = true;
        m_hasValue = m_hasFormula = m_inValue = m_inInline = false;
        m_cellType = m_type;
        m_xf = m_style.empty() ? 0 : spreadsheetDigits(m_style, rowLimit).value_or(0);
        if (!m_hasRef)
        {
            ++m_col;
            return;
        }
        std::size_t i = 0;
        std::int64_t col = 0;
        for (; i < m_ref.size() && ((m_ref[i] >= 'A' && m_ref[i] <= 'Z') || (m_ref[i] >= 'a' && m_ref[i] <= 'z')); ++i)
            col = std::min(col * 26 + ((m_ref[i] & 0x1F)), columnLimit + 1);
        const std::optional<std::int64_t> row = spreadsheetDigits(std::string_view(m_ref).substr(i), rowLimit);
        if (i == 0 || !row || *row == 0 || col > columnLimit)
            throw ESpreadsheetError("invalid cell address in workbook: " + m_ref.substr(0, 32));
        m_col = col - 1;
        m_row = *row - 1;
    }

    void endCell()
    {
        m_inCell = false;
        const int row = int(m_row), col = int(std::min<std::int64_t>(m_col, columnLimit));
        if (m_xf != 0)
            m_sheet.setFormat(row, col, std::size_t(m_xf));
        if (!m_hasValue)
        {
            // A formula without a kept result, or a cell with a style only.
            if (m_hasFormula)
                m_sheet.noteUsedRow(row);
            return;
        }
        const std::string_view type = m_cellType;
        if (type == "s")
        {
            if (const std::optional<std::int64_t> index = spreadsheetDigits(m_value, rowLimit * 4))
                m_sheet.setSharedString(row, col, std::size_t(*index));
            else
                m_sheet.noteUsedRow(row);
        }
        else if (type == "inlineStr")
            m_sheet.setText(row, col, m_runs.text());
        else if (type == "str" || type == "e")
            m_sheet.setText(row, col, unescape(m_value, m_unescaped));
        else if (type == "b")
            m_sheet.setBool(row, col, spreadsheetDigits(m_value, 1).value_or(0) != 0 || m_value == "true");
        else if (type == "d")
        {
            if (const std::optional<double> serial = spreadsheetIsoSerial(m_value))
                m_sheet.setDateTime(row, col, *serial);
            else
                m_sheet.noteUsedRow(row);
        }
        else
            setNumber(row, col);
    }

    void setNumber(int row, int col)
    {
        std::string_view v = spreadsheetTrimmed(m_value);
        if (v.starts_with('+'))
            v.remove_prefix(1);
        double value = 0;
        const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), value);
        if (v.empty() || error != std::errc() || end != v.data() + v.size() || !std::isfinite(value))
            m_sheet.noteUsedRow(row); // no number the spreadsheet would show
        else
            m_sheet.setNumber(row, col, value);
    }

    SpreadsheetSheet& m_sheet;
    std::size_t m_partBytes;
    TextRuns m_runs;
    std::string m_ref, m_type, m_style, m_range; // of the element whose attributes are being read
    std::string m_cellType;
    std::string m_value;
    std::string m_unescaped;
    std::int64_t m_row = -1;
    std::int64_t m_col = -1;
    std::int64_t m_xf = 0;
    bool m_hasRef = false;
    bool m_inData = false;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
    bool m_hasValue = false;
    bool m_hasFormula = false;
};

// Whether the package has the part; it is parsed with `handler` when it does.
template <class H> bool parsePart(const QByteArray& content, const std::string& name, H& handler)
{
    return visitPart(content, name, [&](std::string_view xml) { spreadsheetParseMarkup(xml, handler); });
}
} // namespace

void spreadsheetReadXlsx(const QByteArray& content, SpreadsheetSheet& sheet)
{
    try
    {
        const std::string workbook = "xl/workbook.xml";
        WorkbookHandler book;
        if (!parsePart(content, workbook, book))
            throw ESpreadsheetError("workbook part missing");
        RelationshipsHandler relations;
        parsePart(content, "xl/_rels/workbook.xml.rels", relations);

        // The sheets offered are the worksheets, in the workbook's order; a chart sheet holds no cells.
        std::string worksheet, strings, styles;
        int offered = 0;
        for (std::size_t i = 0; i < book.sheetIds.size(); ++i)
        {
            const std::string& id = book.sheetIds[i];
            const auto r = std::find_if(relations.relationships.begin(), relations.relationships.end(),
                                        [&](const Relationship& r) { return r.id == id; });
            if (r == relations.relationships.end() || !typeIs(*r, "worksheet"))
                continue;
            if (offered++ == sheet.wantedSheet())
                worksheet = partName("xl/", r->target);
            sheet.addSheetName(book.sheetNames[i]);
        }
        if (offered > 0 && worksheet.empty())
            throw ESpreadsheetError("no such worksheet");
        sheet.setStopAtRowLimit(true);
        for (const Relationship& r : relations.relationships)
        {
            if (typeIs(r, "sharedStrings") && strings.empty())
                strings = partName("xl/", r.target);
            else if (typeIs(r, "styles") && styles.empty())
                styles = partName("xl/", r.target);
        }
        if (worksheet.empty())
            throw ESpreadsheetError("workbook without a worksheet");

        if (book.date1904)
            sheet.setDateOrigin(1904, 1, 1);
        if (!styles.empty())
        {
            StylesHandler formats;
            parsePart(content, styles, formats);
            sheet.setDateFormats(formats.xfIsDate());
        }
        // The shared strings are read on a second thread beside the worksheet: the two parts are
        // the bulk of a large workbook, and neither needs the other until both are read.
        SpreadsheetSheet sharedStrings = sheet.emptyCopy();
        std::exception_ptr stringsFailure;
        bool found = false;
        if (sheet.selection().rowLimit > 0)
        {
            // A preview's few rows name few strings: the cells are read first (they stop at the
            // limit), then the strings up to the last one they name, not the whole part.
            try
            {
                found = visitPart(content, worksheet, [&](std::string_view xml) {
                    SheetHandler cells(sheet, xml.size());
                    spreadsheetParseMarkup(xml, cells);
                });
            }
            catch (const ESpreadsheetEnough&)
            {
                found = true;
            }
            const std::size_t wanted = sheet.sharedStringsNamed();
            if (!strings.empty() && wanted > 0)
            {
                try
                {
                    visitPart(content, strings, [&](std::string_view xml) {
                        SharedStringsHandler handler(sharedStrings, xml.size(), wanted);
                        spreadsheetParseMarkup(xml, handler);
                    });
                }
                catch (const ESpreadsheetEnough&)
                {}
            }
        }
        else
        {
            std::jthread stringsReader([&] {
                try
                {
                    if (!strings.empty())
                        visitPart(content, strings, [&](std::string_view xml) {
                            SharedStringsHandler handler(sharedStrings, xml.size());
                            spreadsheetParseMarkup(xml, handler);
                        });
                }
                catch (...)
                {
                    stringsFailure = std::current_exception();
                }
            });
            try
            {
                found = visitPart(content, worksheet, [&](std::string_view xml) {
                    SheetHandler cells(sheet, xml.size());
                    spreadsheetParseMarkup(xml, cells);
                });
            }
            catch (const ESpreadsheetEnough&)
            {
                found = true; // the rows asked for are in; their strings are still needed
            }
        }
        if (stringsFailure)
            std::rethrow_exception(stringsFailure);
        if (!found)
            throw ESpreadsheetError("worksheet part missing: " + worksheet.substr(0, 64));
        sheet.adoptSharedStrings(std::move(sharedStrings));
    }
    catch (const ESpreadsheetError&)
    {
        throw;
    }
    catch (const ESpreadsheetEnough&)
    {
        throw;
    }
    catch (const std::exception& e)
    {
        throw ESpreadsheetError(std::string("workbook could not be read: ") + e.what());
    }
}
