#pragma once

#include "SpreadsheetReader.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QDate;

// Day zero of the spreadsheet date serials every format uses: serial 1 is 1899-12-31.
QDate spreadsheetDayZero();

// What the reader keeps of the selected worksheet: the values of the selected columns, the shared
// strings they may refer to, the used range over all columns and the names of the workbook's
// sheets. Rows and columns are 0-based here.
// Values are stored raw and turned into text on request, because a number's format (date or
// not) may arrive after its value.
class SpreadsheetSheet
{
public:
    SpreadsheetSheet(qint64 maxTextBytes, int maxRows, SpreadsheetSelection selection = {});

    // A text is kept to this many bytes (at a character's start): far more than a table field
    // holds, so that what is cut can still be told and shortened well, and a hostile cell of
    // hundreds of megabytes costs nothing.
    static constexpr std::size_t maxCellBytes = 400;

    // Every setter notes the row as used; only the selected columns are kept. Past the
    // selection's row limit a setter may throw ESpreadsheetEnough (see stopAtRowLimit()).
    void setText(int row, int col, std::string_view utf8);
    void setSharedString(int row, int col, std::size_t index);
    void setNumber(int row, int col, double value);
    void setBool(int row, int col, bool value);
    // Days since 1899-12-30, the fraction being the time of day.
    void setDateTime(int row, int col, double serial);
    void setFormat(int row, int col, std::size_t xf);
    // A value that has a row but no place in the kept columns (a sheet wider than B) still
    // extends the used range.
    void noteUsedRow(int row);
    // Copies the cell (row, col) into the `copies` rows below it, as a repeated row or a cell
    // filled down shows it. Past the row limit nothing is copied and overRows() is set.
    void fillDown(int row, int col, qint64 copies);
    // The same for every kept column of the row.
    void fillDownRow(int row, qint64 copies);

    // The sheet to read, and its name list: a reader lists every sheet it meets, in order.
    int wantedSheet() const { return m_selection.sheet; }
    const SpreadsheetSelection& selection() const { return m_selection; }
    void addSheetName(std::string_view utf8);
    const QStringList& sheetNames() const { return m_sheetNames; }
    // Set by a reader that knows every sheet's name before the cells: past the row limit it then
    // stops at once instead of reading on.
    void setStopAtRowLimit(bool stop) { m_stopAtRowLimit = stop; }
    bool keeps(int col) const { return slotOf(col) >= 0; }
    int usedColumnCount() const { return m_lastUsedCol + 1; }
    void noteUsedColumns(int count) { m_lastUsedCol = std::max(m_lastUsedCol, count - 1); }

    // Room for rows 0 .. rows - 1 and that much text, taken at once.
    void reserve(int rows, std::size_t textBytes);

    std::size_t addSharedString(std::string_view utf8);
    // An empty sheet with the same limits.
    SpreadsheetSheet emptyCopy() const { return SpreadsheetSheet(m_maxTextBytes, m_maxRows, m_selection); }
    // Takes over the shared strings read into `strings` (an emptyCopy() given nothing but
    // shared strings) as this sheet's own, which must have none yet.
    void adoptSharedStrings(SpreadsheetSheet&& strings);
    // Room for that many shared strings and that much text, taken at once.
    void reserveSharedStrings(std::size_t count, std::size_t textBytes);
    void setDateFormats(std::vector<bool> xfIsDate) { m_xfIsDate = std::move(xfIsDate); }
    // The day serial 0 of number cells that are dates; 1899-12-30 unless the workbook says 1904.
    void setDateOrigin(int year, int month, int day);

    // Set when the sheet went beyond maxRows or the kept text beyond maxTextBytes; what was
    // past the limit has not been kept.
    bool overLimit() const { return m_overRows || m_overText; }
    bool overRows() const { return m_overRows; }

    int firstUsedRow() const { return m_firstUsed; } // -1 when nothing is used
    int lastUsedRow() const { return m_lastUsed; }
    QString cellText(int row, int col) const;
    // Shared strings the kept cells need: one past the highest index they name.
    std::size_t sharedStringsNamed() const;
    // A shared string a kept cell refers to that the workbook does not have (-1: none).
    qint64 missingSharedString() const;
    // The same as UTF-8: a view of the kept text, or of `scratch` for a value turned into text.
    std::string_view cellUtf8(int row, int col, std::string& scratch) const;

private:
    enum Kind : std::uint8_t
    {
        Empty,
        Text,
        Shared,
        Number,
        Bool,
        DateTime,
    };
    struct Cell
    {
        std::uint64_t payload = 0; // text offset/length, shared index, or the double's bits
        std::uint32_t xf = 0;
        Kind kind = Empty;
    };

    Cell* keptCell(int row, int col);
    Cell* slotCell(int row, int slot);
    const Cell* keptCellAt(int row, int col) const;
    int slotOf(int col) const
    {
        return col >= 0 && std::size_t(col) < m_slotOf.size() ? m_slotOf[std::size_t(col)] : -1;
    }
    void growRows(std::size_t rows);
    void reserveText(std::size_t bytes);
    bool storeText(std::string_view utf8, std::uint64_t& payload);
    QString textAt(std::uint64_t payload) const;
    double serialFromOrigin(double value) const;

    qint64 m_maxTextBytes;
    int m_maxRows;
    std::string m_text;
    std::vector<std::uint64_t> m_shared;
    SpreadsheetSelection m_selection;
    std::vector<int> m_slotOf; // column -> its place among the kept ones, -1 when not kept
    std::size_t m_width = 0;   // kept columns per row
    std::vector<Cell> m_cells; // row after row, m_width cells each
    std::size_t m_rowCount = 0;
    QStringList m_sheetNames;
    int m_lastUsedCol = -1;
    bool m_stopAtRowLimit = false;
    std::vector<bool> m_xfIsDate;
    double m_originShift = 0; // days between 1899-12-30 and the workbook's origin
    int m_firstUsed = -1;
    int m_lastUsed = -1;
    bool m_overRows = false;
    bool m_overText = false;
};

// The texts a Turkish-locale spreadsheet shows for values.
QString spreadsheetNumberText(double value);
QString spreadsheetDateTimeText(double serial);
QString spreadsheetBoolText(bool value);
// Whether a number format code shows a date or a time ("dd.mm.yyyy", "h:mm"; not "0.00" or "#,##0").
bool spreadsheetFormatIsDate(std::string_view code);
// Whether a built-in number format id of the xlsx/xls formats is a date or time format.
bool spreadsheetBuiltinFormatIsDate(std::size_t id);
// Which cell formats show dates: `xfFormats` holds each cell format's number format id, `codes`
// the codes a workbook gives its own number formats; any other id is a built-in one.
std::vector<bool> spreadsheetDateFormats(const std::vector<std::size_t>& xfFormats,
                                         const std::map<std::size_t, std::string>& codes);
