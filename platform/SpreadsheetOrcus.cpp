#include "SpreadsheetOrcus.h"

#include "SpreadsheetSheet.h"
#include "SpreadsheetZip.h"

#include <QDate>
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <orcus/csv_parser.hpp>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <string>
#include <vector>

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

namespace {
// Sheets have at most this many rows and columns; one row more is announced so that a
// sheet that spills over reaches the reader's row limit instead of being cut silently.
constexpr ss::row_t announcedRows = 1048576 + 1;
constexpr ss::col_t announcedColumns = 16384;

class SharedStrings final : public iface::import_shared_strings
{
public:
    explicit SharedStrings(SpreadsheetSheet& sheet) : m_sheet(sheet) {}
    std::size_t append(std::string_view s) override { return m_sheet.addSharedString(s); }
    std::size_t add(std::string_view s) override { return m_sheet.addSharedString(s); }
    void set_segment_font(std::size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override
    {
        // Rich text arrives in runs; only their letters matter. The runs of one string
        // together never exceed the unpacked part they come from, which is bounded.
        m_segments.append(s);
    }
    std::size_t commit_segments() override
    {
        const std::size_t index = m_sheet.addSharedString(m_segments);
        m_segments.clear();
        return index;
    }

private:
    SpreadsheetSheet& m_sheet;
    std::string m_segments;
};

// Only the number formats matter: they tell which numbers are dates.
class Styles final : public iface::import_styles
{
public:
    std::vector<bool> xfIsDate() const
    {
        std::vector<bool> result;
        result.reserve(m_xfFormats.size());
        for (std::size_t format : m_xfFormats)
        {
            const auto code = m_codes.find(format);
            result.push_back(code != m_codes.end() ? spreadsheetFormatIsDate(code->second)
                                                   : spreadsheetBuiltinFormatIsDate(format));
        }
        return result;
    }

    void set_number_format_count(std::size_t) override {}
    void set_number_format_identifier(std::size_t id) override { m_formatId = id; }
    void set_number_format_code(std::string_view s) override { m_formatCode = s; }
    std::size_t commit_number_format() override
    {
        if (m_codes.size() < 100000)
            m_codes[m_formatId] = m_formatCode;
        m_formatCode.clear();
        return m_formatId;
    }
    void set_xf_number_format(std::size_t index) override { m_xfFormat = index; }
    std::size_t commit_cell_xf() override
    {
        // Bounded by the parts' size: every xf is one element of the styles part.
        m_xfFormats.push_back(m_xfFormat);
        m_xfFormat = 0;
        return m_xfFormats.size() - 1;
    }
    std::size_t commit_cell_style_xf() override { return resetXf(); }
    std::size_t commit_dxf() override { return resetXf(); }

    void set_font_count(std::size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    std::size_t commit_font() override { return m_fonts++; }
    void set_fill_count(std::size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    std::size_t commit_fill() override { return m_fills++; }
    void set_border_count(std::size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t) override
    {}
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    std::size_t commit_border() override { return m_borders++; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    std::size_t commit_cell_protection() override { return m_protections++; }
    void set_cell_xf_count(std::size_t) override {}
    void set_cell_style_xf_count(std::size_t) override {}
    void set_dxf_count(std::size_t) override {}
    void set_xf_font(std::size_t) override {}
    void set_xf_fill(std::size_t) override {}
    void set_xf_border(std::size_t) override {}
    void set_xf_protection(std::size_t) override {}
    void set_xf_style_xf(std::size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    void set_cell_style_count(std::size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(std::size_t) override {}
    void set_cell_style_builtin(std::size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    std::size_t commit_cell_style() override { return m_cellStyles++; }

private:
    std::size_t resetXf()
    {
        m_xfFormat = 0;
        return m_otherXfs++;
    }

    std::map<std::size_t, std::string> m_codes;
    std::vector<std::size_t> m_xfFormats;
    std::size_t m_formatId = 0;
    std::string m_formatCode;
    std::size_t m_xfFormat = 0;
    std::size_t m_fonts = 0, m_fills = 0, m_borders = 0, m_protections = 0, m_cellStyles = 0, m_otherXfs = 0;
};

class GlobalSettings final : public iface::import_global_settings
{
public:
    explicit GlobalSettings(SpreadsheetSheet& sheet) : m_sheet(sheet) {}
    void set_origin_date(int year, int month, int day) override { m_sheet.setDateOrigin(year, month, day); }
    void set_default_formula_grammar(ss::formula_grammar_t grammar) override { m_grammar = grammar; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

private:
    SpreadsheetSheet& m_sheet;
    ss::formula_grammar_t m_grammar = ss::formula_grammar_t::unknown;
};

double serialOf(int year, int month, int day, int hour, int minute, double second)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return 0;
    return static_cast<double>(spreadsheetDayZero().daysTo(date)) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

// A formula cell is worth only its last computed result, as the spreadsheet shows it.
class Formula final : public iface::import_formula
{
public:
    explicit Formula(SpreadsheetSheet* sheet) : m_sheet(sheet) {}
    void set_position(ss::row_t row, ss::col_t col) override
    {
        m_row = row;
        m_col = col;
        m_kind = None;
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(std::size_t) override {}
    void set_result_string(std::string_view value) override
    {
        m_kind = String;
        m_string = value;
    }
    void set_result_value(double value) override
    {
        m_kind = Value;
        m_value = value;
    }
    void set_result_bool(bool value) override
    {
        m_kind = Boolean;
        m_value = value ? 1 : 0;
    }
    void set_result_empty() override { m_kind = None; }
    void commit() override
    {
        if (m_sheet == nullptr)
            return;
        switch (m_kind)
        {
        case String:
            m_sheet->setText(m_row, m_col, m_string);
            break;
        case Value:
            m_sheet->setNumber(m_row, m_col, m_value);
            break;
        case Boolean:
            m_sheet->setBool(m_row, m_col, m_value != 0);
            break;
        case None:
            m_sheet->noteUsedRow(m_row);
            break;
        }
        m_string.clear();
    }

private:
    enum Kind
    {
        None,
        String,
        Value,
        Boolean
    };
    SpreadsheetSheet* m_sheet;
    ss::row_t m_row = 0;
    ss::col_t m_col = 0;
    Kind m_kind = None;
    std::string m_string;
    double m_value = 0;
};

class ArrayFormula final : public iface::import_array_formula
{
public:
    explicit ArrayFormula(SpreadsheetSheet* sheet) : m_sheet(sheet) {}
    void set_range(const ss::range_t&) override {}
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_result_string(ss::row_t row, ss::col_t col, std::string_view value) override
    {
        if (m_sheet)
            m_sheet->setText(row, col, value);
    }
    void set_result_value(ss::row_t row, ss::col_t col, double value) override
    {
        if (m_sheet)
            m_sheet->setNumber(row, col, value);
    }
    void set_result_bool(ss::row_t row, ss::col_t col, bool value) override
    {
        if (m_sheet)
            m_sheet->setBool(row, col, value);
    }
    void set_result_empty(ss::row_t row, ss::col_t) override
    {
        if (m_sheet)
            m_sheet->noteUsedRow(row);
    }
    void commit() override {}

private:
    SpreadsheetSheet* m_sheet;
};

// The first worksheet feeds the kept sheet; every later one (`sheet` null) is read and dropped.
class Sheet final : public iface::import_sheet
{
public:
    explicit Sheet(SpreadsheetSheet* sheet) : m_sheet(sheet), m_formula(sheet), m_arrayFormula(sheet) {}

    iface::import_formula* get_formula() override { return &m_formula; }
    iface::import_array_formula* get_array_formula() override { return &m_arrayFormula; }

    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override
    {
        // An empty field of a text file is an empty cell, not an empty text.
        if (m_sheet && !s.empty())
            m_sheet->setText(row, col, s);
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override
    {
        if (m_sheet)
            m_sheet->setSharedString(row, col, index);
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override
    {
        if (m_sheet)
            m_sheet->setNumber(row, col, value);
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override
    {
        if (m_sheet)
            m_sheet->setBool(row, col, value);
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                       double second) override
    {
        if (m_sheet)
            m_sheet->setDateTime(row, col, serialOf(year, month, day, hour, minute, second));
    }
    void set_format(ss::row_t row, ss::col_t col, std::size_t xf) override
    {
        if (m_sheet)
            m_sheet->setFormat(row, col, xf);
    }
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t srcRow, ss::col_t col, ss::row_t rangeSize) override
    {
        if (m_sheet)
            m_sheet->fillDown(srcRow, col, rangeSize);
    }
    ss::range_size_t get_sheet_size() const override { return {announcedRows, announcedColumns}; }

private:
    SpreadsheetSheet* m_sheet;
    Formula m_formula;
    ArrayFormula m_arrayFormula;
};

// Cell addresses in the A1 notation ("B12", "$A$3", "Sayfa1!A1"); the sheet part is not needed.
class ReferenceResolver final : public iface::import_reference_resolver
{
public:
    ss::src_address_t resolve_address(std::string_view address) override
    {
        if (const std::size_t bang = address.rfind('!'); bang != std::string_view::npos)
            address.remove_prefix(bang + 1);
        std::size_t i = 0;
        auto skipDollar = [&] {
            if (i < address.size() && address[i] == '$')
                ++i;
        };
        skipDollar();
        long column = 0;
        const std::size_t lettersStart = i;
        for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])) && column <= announcedColumns;
             ++i)
            column = column * 26 + (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1);
        skipDollar();
        long row = 0;
        const std::size_t digitsStart = i;
        for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])) && row <= announcedRows; ++i)
            row = row * 10 + (address[i] - '0');
        if (i == lettersStart || digitsStart == i || i != address.size() || column > announcedColumns ||
            row > announcedRows || row == 0)
            throw ESpreadsheetError("invalid cell address in workbook: " + std::string(address.substr(0, 32)));
        return {0, static_cast<ss::row_t>(row - 1), static_cast<ss::col_t>(column - 1)};
    }
    ss::src_range_t resolve_range(std::string_view range) override
    {
        const std::size_t colon = range.find(':');
        if (colon == std::string_view::npos)
        {
            const ss::src_address_t single = resolve_address(range);
            return {single, single};
        }
        return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
    }
};

class Factory final : public iface::import_factory
{
public:
    Factory(SpreadsheetSheet& sheet, bool moreSheetsMeanOverflow)
        : m_sheet(sheet), m_strings(sheet), m_settings(sheet), m_moreSheetsMeanOverflow(moreSheetsMeanOverflow)
    {}

    iface::import_global_settings* get_global_settings() override { return &m_settings; }
    iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    iface::import_styles* get_styles() override { return &m_styles; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override { return &m_resolver; }

    iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override
    {
        if (index == 0 && !m_first)
        {
            m_first = std::make_unique<Sheet>(&m_sheet);
            m_firstName = name;
            return m_first.get();
        }
        // A text file spills into a second sheet only when it has more rows than a sheet holds.
        if (m_moreSheetsMeanOverflow)
            m_sheet.noteUsedRow(announcedRows);
        if (m_others.size() > 4096)
            throw ESpreadsheetError("workbook with too many worksheets");
        m_others.push_back(std::make_unique<Sheet>(nullptr));
        m_otherNames.emplace_back(name);
        return m_others.back().get();
    }
    iface::import_sheet* get_sheet(std::string_view name) override
    {
        if (m_first && name == m_firstName)
            return m_first.get();
        for (std::size_t i = 0; i < m_otherNames.size(); ++i)
            if (m_otherNames[i] == name)
                return m_others[i].get();
        return nullptr;
    }
    iface::import_sheet* get_sheet(ss::sheet_t index) override
    {
        if (index == 0)
            return m_first.get();
        if (index > 0 && static_cast<std::size_t>(index) <= m_others.size())
            return m_others[static_cast<std::size_t>(index) - 1].get();
        return nullptr;
    }
    void finalize() override { m_sheet.setDateFormats(m_styles.xfIsDate()); }

    bool sawFirstSheet() const { return m_first != nullptr; }

private:
    SpreadsheetSheet& m_sheet;
    SharedStrings m_strings;
    Styles m_styles;
    GlobalSettings m_settings;
    ReferenceResolver m_resolver;
    bool m_moreSheetsMeanOverflow;
    std::unique_ptr<Sheet> m_first;
    std::string m_firstName;
    std::vector<std::unique_ptr<Sheet>> m_others;
    std::vector<std::string> m_otherNames;
};
// Spreadsheets on Turkish systems save text files with ';' between the cells (the comma is the
// decimal sign there), and "Unicode text" uses TAB. The first line tells which one a file uses.
char csvDelimiter(const QByteArray& content)
{
    int counts[3] = {0, 0, 0}; // ',' ';' TAB
    bool quoted = false;
    for (const char c : content.left(65536))
    {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\n')
            break;
        else if (!quoted)
            counts[0] += c == ',', counts[1] += c == ';', counts[2] += c == '\t';
    }
    if (counts[1] > counts[0] && counts[1] >= counts[2])
        return ';';
    if (counts[2] > counts[0] && counts[2] > counts[1])
        return '\t';
    return ',';
}

// Markup rewrites that let liborcus read what it would otherwise lose. They work on the bytes
// of a part, tag by tag, without building a tree, and keep everything they do not touch as it is.
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
    std::string_view localName() const
    {
        const std::size_t colon = name.rfind(':');
        return colon == npos ? name : name.substr(colon + 1);
    }
    std::string_view prefix() const
    {
        const std::size_t colon = name.rfind(':');
        return colon == npos ? std::string_view() : name.substr(0, colon + 1);
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
// cells repeated past column B are cut back, since liborcus would deliver every copy.
struct OdsContent
{
    std::string xml;
    std::vector<std::pair<int, qint64>> rowCopies; // first sheet: row, copies below it
    bool changed = false;
};

// Blanks a text:s element may add; bounds what a small file can make the parse allocate.
constexpr qint64 maxAddedBlanks = 64LL << 20;

OdsContent normaliseOdsContent(std::string_view xml, const SpreadsheetLimits& limits)
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
                if (rowHasContent && tables == 1 && rowRepeat > 1)
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
                    if (tables == 1 && (repeatedCells += repeat * rowRepeat - 1) > limits.maxXlsCells)
                        throw ESpreadsheetError("worksheet announces more than " + std::to_string(limits.maxXlsCells) +
                                                " repeated cells");
                }
                if (repeat > 1 && column + repeat > 2)
                {
                    // Columns from C on are not kept: one copy is enough to mark the row as used.
                    std::string cut(tag.text.substr(0, at));
                    cut += std::to_string(column < 2 ? 2 - column : 1);
                    cut += tag.text.substr(at + length);
                    out += cut;
                    column = std::min<qint64>(column + repeat, qint64(1) << 40);
                    result.changed = true;
                    continue;
                }
                column = std::min<qint64>(column + repeat, qint64(1) << 40);
            }
        }
        out += tag.text;
    }
    settleParagraph();
    result.changed = result.changed || !result.rowCopies.empty();
    return result;
}

// Cells some writers store as inline strings (t="inlineStr" holding <is> with its text or rich
// runs) or as plain text (t="str" without a formula) are read by liborcus as empty; rewritten
// as text results of a formula (whose formula is never looked at) they read as text.
bool needsInlineRewrite(std::string_view xml)
{
    return xml.find("inlineStr") != npos || xml.find("\"str\"") != npos || xml.find("'str'") != npos;
}

std::string rewriteInlineStrings(std::string_view xml)
{
    std::string out;
    out.reserve(xml.size() + xml.size() / 8);
    enum
    {
        Plain,
        Inline,
        Text
    } cell = Plain;
    bool formulaSeen = false, inString = false, inRun = false;
    int phonetic = 0;
    std::string prefix;
    std::size_t pos = 0;
    while (pos < xml.size())
    {
        const std::size_t lt = xml.find('<', pos);
        const std::string_view between = xml.substr(pos, lt == npos ? npos : lt - pos);
        if (!inString || (inRun && phonetic == 0))
            out += between;
        if (lt == npos)
            break;
        const std::size_t end = markupEnd(xml, lt);
        if (end == npos)
        {
            out += xml.substr(lt);
            break;
        }
        pos = end;
        const Tag tag(xml.substr(lt, end - lt));
        const std::string_view local = tag.localName();
        if (inString)
        {
            if (local == "is" && tag.end)
                out += "</" + prefix + "v>", inString = false;
            else if (local == "rPh" && !tag.empty)
                phonetic += tag.end ? -1 : 1;
            else if (local == "t" && !tag.empty)
                inRun = !tag.end;
            continue;
        }
        if (local == "c" && !tag.end)
        {
            const std::string_view type = tag.value("t");
            cell = tag.empty ? Plain : type == "inlineStr" ? Inline : type == "str" ? Text : Plain;
            formulaSeen = false;
            prefix = tag.prefix();
            if (cell == Inline)
            {
                const auto [at, length] = tag.attribute("t");
                out += tag.text.substr(0, at);
                out += "str";
                out += tag.text.substr(at + length);
                continue;
            }
        }
        else if (local == "c" && tag.end)
            cell = Plain;
        else if (local == "f" && cell != Plain && !tag.end)
            formulaSeen = true;
        else if (local == "v" && cell == Text && !formulaSeen && !tag.end)
            out += '<' + prefix + "f>0</" + prefix + "f>";
        else if (local == "is" && cell == Inline && !tag.end)
        {
            out += '<' + prefix + "f>0</" + prefix + "f><" + prefix + "v>";
            if (tag.empty)
                out += "</" + prefix + "v>";
            else
                inString = true, inRun = false, phonetic = 0;
            continue;
        }
        out += tag.text;
    }
    return out;
}

class CsvRows
{
public:
    explicit CsvRows(SpreadsheetSheet& sheet) : m_sheet(sheet) {}
    void begin_parse() {}
    void end_parse() {}
    void begin_row() { m_col = 0; }
    void end_row()
    {
        // Past the last row a sheet holds nothing more is kept; the sheet notes the overflow.
        if (++m_row > announcedRows)
            throw ESpreadsheetError("text file with more rows than a worksheet holds");
    }
    void cell(const char* p, std::size_t n, bool)
    {
        if (n > 0)
            m_sheet.setText(m_row, m_col, std::string_view(p, n));
        ++m_col;
    }

private:
    SpreadsheetSheet& m_sheet;
    int m_row = 0;
    int m_col = 0;
};
} // namespace

namespace {
bool isWorksheetPart(std::string_view name)
{
    return name.substr(0, 14) == "xl/worksheets/" && name.size() > 18 && name.substr(name.size() - 4) == ".xml";
}

// The package again, with the worksheets holding inline strings rewritten; empty when none does.
QByteArray xlsxWithoutInlineStrings(const QByteArray& content)
{
    std::vector<SpreadsheetZipPart> sheets = spreadsheetUnpackZip(content, isWorksheetPart);
    if (std::none_of(sheets.begin(), sheets.end(),
                     [](const SpreadsheetZipPart& p) { return needsInlineRewrite(p.data); }))
        return {};
    sheets.clear();
    std::vector<SpreadsheetZipPart> parts = spreadsheetUnpackZip(content);
    for (SpreadsheetZipPart& part : parts)
        if (isWorksheetPart(part.name) && needsInlineRewrite(part.data))
            part.data = rewriteInlineStrings(part.data);
    return spreadsheetStoredZip(parts);
}

// The package again with its content part made readable; rows to copy after the parse.
QByteArray odsNormalised(const QByteArray& content, const SpreadsheetLimits& limits,
                         std::vector<std::pair<int, qint64>>& rowCopies)
{
    std::vector<SpreadsheetZipPart> parts = spreadsheetUnpackZip(content);
    bool changed = false;
    for (SpreadsheetZipPart& part : parts)
        if (part.name == "content.xml")
        {
            OdsContent normal = normaliseOdsContent(part.data, limits);
            rowCopies = std::move(normal.rowCopies);
            changed = normal.changed;
            part.data = std::move(normal.xml);
        }
    return changed ? spreadsheetStoredZip(parts) : QByteArray();
}
} // namespace

void spreadsheetReadWithOrcus(SpreadsheetFormat format, const QByteArray& content, SpreadsheetSheet& sheet,
                              const SpreadsheetLimits& limits)
{
    Factory factory(sheet, format == SpreadsheetFormat::Csv);
    std::string_view stream(content.constData(), static_cast<std::size_t>(content.size()));
    QByteArray rewritten;
    std::vector<std::pair<int, qint64>> rowCopies;
    try
    {
        switch (format)
        {
        case SpreadsheetFormat::Xlsx: {
            rewritten = xlsxWithoutInlineStrings(content);
            if (!rewritten.isEmpty())
                stream = std::string_view(rewritten.constData(), static_cast<std::size_t>(rewritten.size()));
            orcus::orcus_xlsx filter(&factory);
            filter.read_stream(stream);
            break;
        }
        case SpreadsheetFormat::Ods: {
            rewritten = odsNormalised(content, limits, rowCopies);
            if (!rewritten.isEmpty())
                stream = std::string_view(rewritten.constData(), static_cast<std::size_t>(rewritten.size()));
            orcus::orcus_ods filter(&factory);
            filter.read_stream(stream);
            for (const auto& [row, copies] : rowCopies)
                sheet.fillDown(row, 0, copies), sheet.fillDown(row, 1, copies);
            break;
        }
        case SpreadsheetFormat::Csv: {
            const char delimiter = csvDelimiter(content);
            if (delimiter == ',')
            {
                orcus::orcus_csv filter(&factory);
                filter.read_stream(stream);
                break;
            }
            orcus::csv::parser_config config;
            config.delimiters = std::string(1, delimiter);
            config.text_qualifier = '"';
            config.trim_cell_value = false;
            CsvRows rows(sheet);
            orcus::csv_parser<CsvRows> parser(stream.data(), stream.size(), rows, config);
            parser.parse();
            break;
        }
        default:
            throw ESpreadsheetError("not a workbook liborcus reads");
        }
    }
    catch (const ESpreadsheetError&)
    {
        throw;
    }
    catch (const std::exception& e)
    {
        throw ESpreadsheetError(std::string("workbook could not be read: ") + e.what());
    }
    catch (...)
    {
        throw ESpreadsheetError("workbook could not be read");
    }
    // finalize() is not called by every filter; the formats must be known either way.
    factory.finalize();
    if (format != SpreadsheetFormat::Csv && !factory.sawFirstSheet())
        throw ESpreadsheetError("workbook without a worksheet");
}
