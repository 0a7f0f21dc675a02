#include "SpreadsheetMarkup.h"

#include "SpreadsheetZip.h"

#include <algorithm>
#include <initializer_list>
#include <orcus/sax_parser.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace {
constexpr std::size_t npos = std::string_view::npos;

// Where the markup starting at `at` (a '<') ends; npos when the part is cut short.
std::size_t markupEnd(std::string_view xml, std::size_t at)
{
    auto past = [&](std::string_view close, std::size_t from) {
        const std::size_t end = xml.find(close, from);
        return end == npos ? npos : end + close.size();
    };
    if (xml.substr(at, 4) == "<!--")
        return past("-->", at + 4);
    if (xml.substr(at, 9) == "<![CDATA[")
        return past("]]>", at + 9);
    if (xml.substr(at, 2) == "<?")
        return past("?>", at + 2);
    char quote = 0;
    for (std::size_t i = at + 1; i < xml.size(); ++i)
    {
        const char c = xml[i];
        if (quote != 0)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return i + 1;
    }
    return npos;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

struct Tag
{
    std::string_view text;
    std::string_view name; // empty for comments, declarations and instructions
    bool end = false;
    bool empty = false;

    explicit Tag(std::string_view markup) : text(markup)
    {
        if (text.size() < 3 || text[1] == '!' || text[1] == '?')
            return;
        std::size_t i = 1;
        if (text[1] == '/')
            end = true, i = 2;
        std::size_t j = i;
        while (j < text.size() && !isBlank(text[j]) && text[j] != '/' && text[j] != '>')
            ++j;
        name = text.substr(i, j - i);
        empty = text[text.size() - 2] == '/';
    }
    // The value of an attribute as a range of `text`: {offset, length}, offset npos when absent.
    std::pair<std::size_t, std::size_t> attribute(std::string_view wanted) const
    {
        std::size_t i = 1 + name.size();
        while (i < text.size())
        {
            while (i < text.size() && isBlank(text[i]))
                ++i;
            const std::size_t start = i;
            while (i < text.size() && !isBlank(text[i]) && text[i] != '=' && text[i] != '/' && text[i] != '>')
                ++i;
            const std::string_view attributeName = text.substr(start, i - start);
            while (i < text.size() && isBlank(text[i]))
                ++i;
            if (attributeName.empty() || i >= text.size() || text[i] != '=')
                break;
            ++i;
            while (i < text.size() && isBlank(text[i]))
                ++i;
            if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                break;
            const std::size_t close = text.find(text[i], i + 1);
            if (close == npos)
                break;
            if (attributeName == wanted)
                return {i + 1, close - i - 1};
            i = close + 1;
        }
        return {npos, 0};
    }
    // The tag again without the named attributes.
    std::string without(std::initializer_list<std::string_view> names) const
    {
        std::string out(text.substr(0, 1 + name.size()));
        std::size_t i = 1 + name.size();
        while (i < text.size())
        {
            std::size_t start = i;
            while (i < text.size() && isBlank(text[i]))
                ++i;
            const std::size_t nameStart = i;
            while (i < text.size() && !isBlank(text[i]) && text[i] != '=' && text[i] != '/' && text[i] != '>')
                ++i;
            const std::string_view attributeName = text.substr(nameStart, i - nameStart);
            const std::size_t eq = text.find_first_not_of(" \t\r\n", i);
            const std::size_t open = eq == npos || text[eq] != '=' ? npos : text.find_first_not_of(" \t\r\n", eq + 1);
            const std::size_t close =
                open == npos || (text[open] != '"' && text[open] != '\'') ? npos : text.find(text[open], open + 1);
            if (attributeName.empty() || close == npos)
                return out += text.substr(start);
            i = close + 1;
            if (std::find(names.begin(), names.end(), attributeName) == names.end())
                out += text.substr(start, i - start);
        }
        return out;
    }
    std::string_view value(std::string_view wanted) const
    {
        const auto [at, length] = attribute(wanted);
        return at == npos ? std::string_view() : text.substr(at, length);
    }
    bool has(std::string_view wanted) const { return attribute(wanted).first != npos; }
};

// A repeat count; absent, malformed or zero counts as one, and huge counts stay huge.
qint64 countOf(std::string_view digits)
{
    qint64 n = 0;
    for (const char c : digits)
    {
        if (c < '0' || c > '9')
            return 1;
        n = std::min<qint64>(n * 10 + (c - '0'), qint64(1) << 40);
    }
    return n > 0 ? n : 1;
}

// The prefix a document binds to a namespace in its root element, with the colon.
std::string prefixOf(std::string_view xml, std::string_view uri, std::string_view fallback)
{
    for (std::size_t at = xml.find('<'); at != npos; at = xml.find('<', at + 1))
    {
        const std::size_t end = markupEnd(xml, at);
        if (end == npos)
            break;
        const Tag tag(xml.substr(at, end - at));
        if (tag.name.empty())
            continue;
        const std::string_view text = tag.text;
        for (std::size_t x = text.find("xmlns:"); x != npos; x = text.find("xmlns:", x + 6))
        {
            const std::size_t eq = text.find('=', x);
            if (eq == npos)
                break;
            const std::string_view name = text.substr(x + 6, eq - x - 6);
            if (tag.value(text.substr(x, eq - x)) == uri)
                return std::string(name) + ':';
        }
        break;
    }
    return std::string(fallback) + ':';
}

// What reading an OpenDocument content part needs beyond liborcus: a cell's text is its
// paragraphs joined by line breaks, with the blanks (text:s), tabs and line breaks they hold;
// liborcus keeps the last paragraph and drops those elements. Rows that a file stores once
// with a repeat count are listed to be copied after the parse (liborcus only skips them), and
// cells repeated past the kept columns are cut back, since liborcus would deliver every copy.
struct OdsContent
{
    std::string xml;
    std::vector<std::pair<int, qint64>> rowCopies; // wanted sheet: row, copies below it
    bool changed = false;
};

// Blanks a text:s element may add; bounds what a small file can make the parse allocate.
constexpr qint64 maxAddedBlanks = 64LL << 20;

OdsContent normaliseOdsContent(std::string_view xml, const SpreadsheetLimits& limits, int wantedTable,
                               qint64 keptColumns)
{
    const std::string text = prefixOf(xml, "urn:oasis:names:tc:opendocument:xmlns:text:1.0", "text");
    const std::string table = prefixOf(xml, "urn:oasis:names:tc:opendocument:xmlns:table:1.0", "table");
    const std::string office = prefixOf(xml, "urn:oasis:names:tc:opendocument:xmlns:office:1.0", "office");
    const std::string paragraph = text + "p", blanks = text + "s", tab = text + "tab", lineBreak = text + "line-break";
    const std::string blankCount = text + "c";
    const std::string tableName = table + "table", rowName = table + "table-row", cellName = table + "table-cell",
                      coveredName = table + "covered-table-cell";
    const std::string rowsRepeated = table + "number-rows-repeated",
                      columnsRepeated = table + "number-columns-repeated";
    const std::string valueType = office + "value-type", formula = table + "formula";
    const std::string calcext =
        prefixOf(xml, "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0", "calcext");
    const std::string errorType = calcext + "value-type", matrixColumns = table + "number-matrix-columns-spanned",
                      matrixRows = table + "number-matrix-rows-spanned", value = office + "value",
                      stringValue = office + "string-value";
    const std::string closeParagraph = "</" + paragraph + ">";

    OdsContent result;
    std::string& out = result.xml;
    out.reserve(xml.size() + xml.size() / 8);
    int tableDepth = 0, tables = 0;
    qint64 row = 0, rowRepeat = 1, column = 0, repeatedCells = 0, addedBlanks = 0;
    bool inRow = false, rowHasContent = false, inCell = false;
    // A paragraph end inside a cell waits: a following paragraph continues it after a line break.
    bool paragraphOpen = false;
    std::string_view gap;
    auto settleParagraph = [&] {
        if (paragraphOpen)
            out += closeParagraph, out += gap;
        paragraphOpen = false;
        gap = {};
    };

    std::size_t pos = 0;
    while (pos < xml.size())
    {
        const std::size_t lt = xml.find('<', pos);
        const std::string_view between = xml.substr(pos, lt == npos ? npos : lt - pos);
        if (paragraphOpen && gap.empty() && std::all_of(between.begin(), between.end(), isBlank))
            gap = between;
        else
            settleParagraph(), out += between;
        if (lt == npos)
            break;
        const std::size_t end = markupEnd(xml, lt);
        if (end == npos)
        {
            settleParagraph();
            out += xml.substr(lt); // cut short: liborcus reports it
            break;
        }
        pos = end;
        const Tag tag(xml.substr(lt, end - lt));
        if (inCell && tag.name == paragraph)
        {
            result.changed = true;
            if (tag.end)
                paragraphOpen = true, gap = {};
            else if (paragraphOpen)
            {
                out += '\n';
                paragraphOpen = tag.empty;
                gap = {};
            }
            else if (tag.empty)
                out += '<' + paragraph + '>', paragraphOpen = true;
            else
                out += tag.text;
            continue;
        }
        settleParagraph();
        if (tag.name == blanks || tag.name == tab || tag.name == lineBreak)
        {
            result.changed = true;
            if (tag.end)
                continue;
            if (tag.name != blanks)
            {
                out += tag.name == tab ? '\t' : '\n';
                continue;
            }
            const qint64 count = std::min<qint64>(countOf(tag.value(blankCount)), 65535);
            if ((addedBlanks += count) > maxAddedBlanks)
                throw ESpreadsheetError("worksheet text beyond the limits (blanks)");
            out.append(static_cast<std::size_t>(count), ' ');
            continue;
        }
        if (tag.name == tableName)
        {
            if (tag.end)
                --tableDepth;
            else if (!tag.empty && ++tableDepth == 1)
                ++tables, row = 0;
        }
        else if (tag.name == rowName && tableDepth == 1)
        {
            if (!tag.end)
            {
                rowRepeat = countOf(tag.value(rowsRepeated));
                column = 0;
                rowHasContent = false;
                inRow = !tag.empty;
                if (tag.empty)
                    row += rowRepeat;
            }
            else
            {
                // Only the first sheet is kept; the others are only skipped through.
                if (rowHasContent && tables == wantedTable && rowRepeat > 1)
                {
                    if (row + rowRepeat > limits.maxRows)
                        throw ESpreadsheetError("worksheet has more than " + std::to_string(limits.maxRows) + " rows");
                    result.rowCopies.emplace_back(static_cast<int>(row), rowRepeat - 1);
                }
                row = std::min<qint64>(row + rowRepeat, qint64(1) << 40);
                inRow = false;
            }
        }
        else if ((tag.name == cellName || tag.name == coveredName) && tableDepth == 1 && inRow)
        {
            inCell = !tag.end && !tag.empty;
            if (!tag.end)
            {
                const auto [at, length] = tag.attribute(columnsRepeated);
                const qint64 repeat = at == npos ? 1 : countOf(tag.text.substr(at, length));
                if (!tag.empty || tag.has(valueType) || tag.has(formula))
                {
                    rowHasContent = true;
                    if (tables == wantedTable && (repeatedCells += repeat * rowRepeat - 1) > limits.maxXlsCells)
                        throw ESpreadsheetError("worksheet announces more than " + std::to_string(limits.maxXlsCells) +
                                                " repeated cells");
                }
                // A formula counts by its last result, which the cell holds like any value. Read as
                // such, an array formula keeps the results of its own cells, a text result is not
                // lost, and an error value reads as the text the cell shows.
                std::string plain;
                if (tag.has(formula))
                {
                    result.changed = true;
                    if (tag.value(errorType) == "error")
                    {
                        plain =
                            tag.without({formula, matrixColumns, matrixRows, valueType, value, stringValue, errorType});
                        plain.insert(1 + tag.name.size(), " " + valueType + "=\"string\"");
                    }
                    else
                        plain = tag.without({formula, matrixColumns, matrixRows});
                }
                const Tag cell = plain.empty() ? tag : Tag(plain);
                if (repeat > 1 && column + repeat > keptColumns)
                {
                    // Columns past the kept ones are not kept: one copy is enough to mark the row as used.
                    const auto [repeatAt, repeatLength] = cell.attribute(columnsRepeated);
                    std::string cut(cell.text.substr(0, repeatAt));
                    cut += std::to_string(column < keptColumns ? keptColumns - column : 1);
                    cut += cell.text.substr(repeatAt + repeatLength);
                    out += cut;
                    column = std::min<qint64>(column + repeat, qint64(1) << 40);
                    result.changed = true;
                    continue;
                }
                column = std::min<qint64>(column + repeat, qint64(1) << 40);
                if (!plain.empty())
                {
                    out += plain;
                    continue;
                }
            }
        }
        out += tag.text;
    }
    settleParagraph();
    result.changed = result.changed || !result.rowCopies.empty();
    return result;
}

// Checks that a part is well-formed XML whose end tags match their start tags. liborcus's
// OpenDocument import trusts the markup it is given and has been seen to crash on damaged
// markup (found by fuzzing), so a damaged part is refused before it gets there.
class NestingCheck
{
public:
    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void attribute(const orcus::sax::parser_attribute&) {}
    void characters(std::string_view, bool) {}
    void start_element(const orcus::sax::parser_element& e)
    {
        if (m_open.size() > 4096)
            throw ESpreadsheetError("workbook part nested too deeply");
        m_open.emplace_back(std::string(e.ns) + ':' + std::string(e.name));
    }
    void end_element(const orcus::sax::parser_element& e)
    {
        if (m_open.empty() || m_open.back() != std::string(e.ns) + ':' + std::string(e.name))
            throw ESpreadsheetError("workbook part damaged: end tag does not match");
        m_open.pop_back();
    }
    void finish() const
    {
        if (!m_open.empty())
            throw ESpreadsheetError("workbook part damaged: element not closed");
    }

private:
    std::vector<std::string> m_open;
};

void checkWellFormed(std::string_view xml)
{
    // An unpacked part may carry the zero byte liborcus puts after it.
    const std::size_t last = xml.find_last_not_of(std::string_view(" \t\r\n\0", 5));
    if (last == npos || xml[last] != '>')
        throw ESpreadsheetError("workbook part cut short");
    xml = xml.substr(0, last + 1);
    NestingCheck check;
    try
    {
        orcus::sax_parser<NestingCheck> parser(xml.data(), xml.size(), false, check);
        parser.parse();
    }
    catch (const ESpreadsheetError&)
    {
        throw;
    }
    catch (const std::exception& e)
    {
        throw ESpreadsheetError(std::string("workbook part damaged: ") + e.what());
    }
    check.finish();
}
} // namespace

QByteArray odsNormalised(const QByteArray& content, const SpreadsheetLimits& limits,
                         const SpreadsheetSelection& selection, std::vector<std::pair<int, qint64>>& rowCopies)
{
    qint64 keptColumns = 1;
    for (const int col : selection.columns)
        keptColumns = std::max<qint64>(keptColumns, qint64(col) + 1);
    std::vector<SpreadsheetZipPart> parts = spreadsheetUnpackZip(content);
    bool changed = false;
    for (SpreadsheetZipPart& part : parts)
        if (part.name == "content.xml" || part.name == "styles.xml")
            checkWellFormed(part.data);
    for (SpreadsheetZipPart& part : parts)
        if (part.name == "content.xml")
        {
            OdsContent normal = normaliseOdsContent(part.data, limits, selection.sheet + 1, keptColumns);
            rowCopies = std::move(normal.rowCopies);
            changed = normal.changed;
            part.data = std::move(normal.xml);
        }
    return changed ? spreadsheetStoredZip(parts) : QByteArray();
}
