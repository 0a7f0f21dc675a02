#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QDate;

// Day zero of the spreadsheet date serials every format uses: serial 1 is 1899-12-31.
QDate spreadsheetDayZero();

// What the reader keeps of a first worksheet: the values of columns A and B, the shared strings
// they may refer to, and the used range over all columns. Rows and columns are 0-based here.
// Values are stored raw and turned into text on request, because a number's format (date or
// not) may arrive after its value.
class SpreadsheetSheet
{
public:
    SpreadsheetSheet(qint64 maxTextBytes, int maxRows);

    // Every setter notes the row as used; only columns 0 and 1 are kept.
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

    // Room for rows 0 .. rows - 1 and that much text, taken at once.
    void reserve(int rows, std::size_t textBytes);

    std::size_t addSharedString(std::string_view utf8);
    // An empty sheet with the same limits.
    SpreadsheetSheet emptyCopy() const { return SpreadsheetSheet(m_maxTextBytes, m_maxRows); }
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
    void reserveText(std::size_t bytes);
    bool storeText(std::string_view utf8, std::uint64_t& payload);
    QString textAt(std::uint64_t payload) const;
    double serialFromOrigin(double value) const;

    qint64 m_maxTextBytes;
    int m_maxRows;
    std::string m_text;
    std::vector<std::uint64_t> m_shared;
    std::vector<std::array<Cell, 2>> m_rows;
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
