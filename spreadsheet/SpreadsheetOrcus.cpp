#include "SpreadsheetOrcus.h"

#include "SpreadsheetMarkup.h"
#include "SpreadsheetSheet.h"

#include <QDate>
#include <cctype>
#include <map>
#include <memory>
#include <orcus/csv_parser.hpp>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
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
    std::size_t append(std::string_view s) override { return keep(s); }
    std::size_t add(std::string_view s) override { return keep(s); }
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
        const std::size_t index = keep(m_segments);
        m_segments.clear();
        return index;
    }

private:
    std::size_t keep(std::string_view s) { return m_sheet.addSharedString(s); }

    SpreadsheetSheet& m_sheet;
    std::string m_segments;
};

// Only the number formats matter: they tell which numbers are dates.
class Styles final : public iface::import_styles
{
public:
    std::vector<bool> xfIsDate() const { return spreadsheetDateFormats(m_xfFormats, m_codes); }

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

// The first worksheet feeds the kept sheet; every later one (`sheet` null) is read and dropped.
class Sheet final : public iface::import_sheet
{
public:
    explicit Sheet(SpreadsheetSheet* sheet) : m_sheet(sheet) {}

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
};

// Cell addresses in the A1 notation ("B12", "$A$3", "Sayfa1!A1", "$Sayfa1.$A$1"); the sheet part
// is not needed. Only the places of cells must be valid: what a named range or expression refers
// to (which may be another sheet, or a reference that was deleted) never stops the reading of the
// first sheet, so those resolve to A1 when they cannot be read.
class ReferenceResolver final : public iface::import_reference_resolver
{
public:
    explicit ReferenceResolver(bool strict) : m_strict(strict) {}

    ss::src_address_t resolve_address(std::string_view address) override
    {
        try
        {
            return resolveStrictly(address);
        }
        catch (const ESpreadsheetError&)
        {
            if (m_strict)
                throw;
            return {0, 0, 0};
        }
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

private:
    static ss::src_address_t resolveStrictly(std::string_view address)
    {
        if (const std::size_t sheetEnd = address.find_last_of("!."); sheetEnd != std::string_view::npos)
            address.remove_prefix(sheetEnd + 1);
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

    bool m_strict;
};

class Factory final : public iface::import_factory
{
public:
    Factory(SpreadsheetSheet& sheet, SpreadsheetFormat format)
        : m_sheet(sheet), m_strings(sheet), m_settings(sheet),
          m_moreSheetsMeanOverflow(format == SpreadsheetFormat::Csv)
    {}

    iface::import_global_settings* get_global_settings() override { return &m_settings; }
    iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    iface::import_styles* get_styles() override { return &m_styles; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t context) override
    {
        return context == ss::formula_ref_context_t::global ? &m_cellResolver : &m_nameResolver;
    }

    iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override
    {
        if (m_names < maxNamedSheets && !m_moreSheetsMeanOverflow)
            m_sheet.addSheetName(name), ++m_names;
        if (index == m_sheet.wantedSheet() && !m_first)
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
        // The others are kept in order, with the wanted one taken out.
        const ss::sheet_t wanted = m_sheet.wantedSheet();
        if (index == wanted)
            return m_first.get();
        const ss::sheet_t other = index < wanted ? index : index - 1;
        if (other >= 0 && static_cast<std::size_t>(other) < m_others.size())
            return m_others[static_cast<std::size_t>(other)].get();
        return nullptr;
    }
    void finalize() override { m_sheet.setDateFormats(m_styles.xfIsDate()); }

    bool sawFirstSheet() const { return m_first != nullptr; }

private:
    SpreadsheetSheet& m_sheet;
    SharedStrings m_strings;
    Styles m_styles;
    GlobalSettings m_settings;
    ReferenceResolver m_cellResolver{true};
    ReferenceResolver m_nameResolver{false};
    bool m_moreSheetsMeanOverflow;
    std::unique_ptr<Sheet> m_first; // the wanted sheet
    std::string m_firstName;
    static constexpr int maxNamedSheets = 4096;
    int m_names = 0;
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

void spreadsheetReadWithOrcus(SpreadsheetFormat format, const QByteArray& content, SpreadsheetSheet& sheet,
                              const SpreadsheetLimits& limits)
{
    Factory factory(sheet, format);
    std::string_view stream(content.constData(), static_cast<std::size_t>(content.size()));
    QByteArray rewritten;
    std::vector<std::pair<int, qint64>> rowCopies;
    try
    {
        switch (format)
        {
        case SpreadsheetFormat::Ods: {
            rewritten = odsNormalised(content, limits, sheet.selection(), rowCopies);
            if (!rewritten.isEmpty())
                stream = std::string_view(rewritten.constData(), static_cast<std::size_t>(rewritten.size()));
            orcus::orcus_ods filter(&factory);
            filter.read_stream(stream);
            for (const auto& [row, copies] : rowCopies)
                sheet.fillDownRow(row, copies);
            break;
        }
        case SpreadsheetFormat::Csv: {
            // A text file is one sheet: there is nothing to name after its rows.
            if (sheet.wantedSheet() != 0)
                throw ESpreadsheetError("no such worksheet");
            sheet.setStopAtRowLimit(true);
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
    catch (const ESpreadsheetEnough&)
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
        throw ESpreadsheetError(sheet.sheetNames().isEmpty() ? "workbook without a worksheet" : "no such worksheet");
}
