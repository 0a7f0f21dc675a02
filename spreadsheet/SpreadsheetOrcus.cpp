#include "SpreadsheetOrcus.h"

#include "SpreadsheetSheet.h"

#include <orcus/csv_parser.hpp>
#include <string>

namespace {
// Sheets have at most this many rows; a text file with more is refused, not cut silently.
constexpr int sheetRows = 1048576;

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
        if (++m_row > sheetRows)
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
                              const SpreadsheetLimits&)
{
    if (format != SpreadsheetFormat::Csv)
        throw ESpreadsheetError("not a workbook liborcus reads");
    // A text file is one sheet: there is nothing to name after its rows.
    if (sheet.wantedSheet() != 0)
        throw ESpreadsheetError("no such worksheet");
    sheet.setStopAtRowLimit(true);
    orcus::csv::parser_config config;
    config.delimiters = std::string(1, csvDelimiter(content));
    config.text_qualifier = '"';
    config.trim_cell_value = false;
    CsvRows rows(sheet);
    try
    {
        orcus::csv_parser<CsvRows> parser(content.constData(), static_cast<std::size_t>(content.size()), rows, config);
        parser.parse();
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
