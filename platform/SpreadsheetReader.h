#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

// A workbook the reader refuses: corrupt, encrypted, of an unsupported kind or beyond the
// limits below. The message is technical (English) and meant for logs, not for the user.
class ESpreadsheetError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The process that decodes workbooks could not be started (the program's file was replaced or
// removed while it runs, or no process can be made): nothing was read, and nothing is decoded in
// the program's own process instead.
class ESpreadsheetDecoderMissing : public ESpreadsheetError
{
public:
    using ESpreadsheetError::ESpreadsheetError;
};

enum class SpreadsheetFormat
{
    Unknown,
    Xls,
    Xlsx,
    Ods,
    Csv,
    OldXls, // Excel 2.1, 3.0 and 4.0
};

// Bounds that keep a hostile file from exhausting memory. Workbooks inside them are read whole.
struct SpreadsheetLimits
{
    qint64 maxFileBytes = 256LL << 20;
    // Sum of the declared uncompressed sizes of the parts of an .xlsx/.ods package.
    qint64 maxUnpackedBytes = 1LL << 30;
    // A part larger than ratioFloorBytes may not unpack to more than maxRatio times its packed size.
    qint64 ratioFloorBytes = 16LL << 20;
    int maxRatio = 200;
    int maxZipEntries = 10000;
    // Text kept from columns A and B (and the shared-string table they refer to), in UTF-8 bytes.
    qint64 maxKeptTextBytes = 512LL << 20;
    int maxRows = 1048576;
    // Cells an .xls sheet may announce: the reading library reserves 32 bytes for each up front.
    // Also the cells an .ods sheet may add by repeating cells and rows.
    qint64 maxXlsCells = 4LL << 20;
    // Decode in a child process, so that a decoding library failing on a damaged file cannot
    // take the program down; a decoder running longer than the timeout is stopped.
    bool isolate = true;
    qint64 parseTimeoutMs = 120000;
};

// Recognises the kind of a workbook from its bytes alone (the extension is never looked at).
// A zip package that is neither a spreadsheet nor readable, or an encrypted package, gives
// Unknown; plain text gives Csv.
SpreadsheetFormat detectSpreadsheetFormat(const QByteArray& content);

// The bytes of a workbook file, read in one go. Throws ESpreadsheetError when the file cannot be
// read or is larger than limits.maxFileBytes.
QByteArray spreadsheetFileContent(const QString& fileName, const SpreadsheetLimits& limits);
// The kind of a workbook's bytes, as the reader takes them. Throws ESpreadsheetError for what it
// refuses: a package beyond the limits, an encrypted or foreign package, binary junk.
SpreadsheetFormat spreadsheetCheckedFormat(const QByteArray& content, const SpreadsheetLimits& limits);

class SpreadsheetSheet;

// Reads the first worksheet of a workbook (.xls, .xlsx, .ods, .csv) and keeps its columns A
// and B, offering what the participant import relies on: the row count of the used range and
// the text of a cell. The file is read in one go when opened and closed again at once.
class SpreadsheetReader
{
public:
    SpreadsheetReader();
    ~SpreadsheetReader();
    SpreadsheetReader(const SpreadsheetReader&) = delete;
    SpreadsheetReader& operator=(const SpreadsheetReader&) = delete;

    // Throws ESpreadsheetError (and keeps nothing) when the file cannot be read as a workbook.
    void open(const QString& fileName);
    void close() noexcept;
    bool isOpen() const;
    SpreadsheetFormat format() const;

    // Rows of the used range of the first worksheet, from its first used row to its last one,
    // in any column. Like the spreadsheet it imitates, an empty sheet has the one row A1.
    int usedRowCount() const;
    // Number of the first used row (1 when the sheet is empty).
    int firstUsedRow() const;

    // The cell (row from 1, column 1 = A or 2 = B) as a Turkish-locale spreadsheet shows its value:
    // text as it stands, whole numbers without decimals, other numbers with a decimal comma,
    // dates as dd.MM.yyyy (with HH:mm:ss when they carry a time). Anything else is empty.
    QString cellText(int row, int column) const;

    void setLimits(const SpreadsheetLimits& limits) { m_limits = limits; }
    const SpreadsheetLimits& limits() const { return m_limits; }
    // Runs about every 50 ms while open() waits for the decoding child, so a window can repaint.
    void setWhileWaiting(std::function<void()> handler) { m_whileWaiting = std::move(handler); }

private:
    SpreadsheetLimits m_limits;
    SpreadsheetFormat m_format = SpreadsheetFormat::Unknown;
    std::unique_ptr<SpreadsheetSheet> m_sheet;
    std::function<void()> m_whileWaiting;
};
