#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

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

// Why a workbook was refused, for the one line that tells the operator.
enum class SpreadsheetProblem
{
    Damaged,      // parts missing, markup or records broken
    MissingText,  // cells refer to shared strings the workbook does not have
    Encrypted,    // protected by a password
    NotASheet,    // another kind of file
    TooLarge,     // beyond the reader's limits
    ReaderFailed, // the decoding child crashed, failed or ran too long
    MissingSheet, // the sheet asked for is not there
};
// The kind of refusal an ESpreadsheetError's message tells (the messages are the reader's own,
// so they travel from the decoding child as text).
SpreadsheetProblem spreadsheetProblemOf(const ESpreadsheetError& error);

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

struct SpreadsheetFileKind
{
    SpreadsheetFormat format = SpreadsheetFormat::Unknown;
    qint64 size = 0;
};
// The kind of a workbook file as spreadsheetCheckedFormat tells it, with the same refusals, from
// the file's first bytes and, for a zip package, its directory read from the tail and its parts'
// local headers: never the whole file. The one refusal that needs the whole file, a compound
// document that turns out to be encrypted, is the decoder's when it reads it.
SpreadsheetFileKind spreadsheetFileKind(const QString& fileName, const SpreadsheetLimits& limits);

// Which worksheet of a workbook is read and which of its columns are kept.
struct SpreadsheetSelection
{
    int sheet = 0;                  // from 0, in the order the workbook lists its sheets
    std::vector<int> columns{0, 1}; // from 0 = A; what the reader keeps, in this order
    // Rows kept from row 1; 0 keeps all. A reader may stop there, so the used range and the
    // sheet's width then tell only what it saw.
    int rowLimit = 0;
};

// Where a reader stopped on purpose: the rows a selection asked for are all in.
class ESpreadsheetEnough : public std::exception
{
public:
    const char* what() const noexcept override { return "rows asked for are read"; }
};

class SpreadsheetSheet;

// Reads one worksheet of a workbook (.xls, .xlsx, .ods, .csv), the first unless a selection says
// otherwise, and keeps the selected columns (A and B unless told), offering what the participant
// import relies on: the used range, the text of a cell and the names of the sheets. The file is
// read in one go when opened and closed again at once.
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
    // Number of the last used row (1 when the sheet is empty).
    int lastUsedRow() const;
    // Columns from A to the last one holding a value (within the selection's rows).
    int usedColumnCount() const;
    // The workbook's sheets in order; empty for a file that has no names for them (text).
    QStringList sheetNames() const;

    // The cell (row from 1, column from 1 = A; empty unless selected) as a Turkish-locale spreadsheet shows its value:
    // text as it stands, whole numbers without decimals, other numbers with a decimal comma,
    // dates as dd.MM.yyyy (with HH:mm:ss when they carry a time). Anything else is empty.
    QString cellText(int row, int column) const;

    void setLimits(const SpreadsheetLimits& limits) { m_limits = limits; }
    // What the next open() reads.
    void setSelection(const SpreadsheetSelection& selection) { m_selection = selection; }
    const SpreadsheetSelection& selection() const { return m_selection; }
    const SpreadsheetLimits& limits() const { return m_limits; }
    // Runs about every 50 ms while open() waits for the decoding child, so a window can repaint.
    void setWhileWaiting(std::function<void()> handler) { m_whileWaiting = std::move(handler); }

private:
    SpreadsheetLimits m_limits;
    SpreadsheetSelection m_selection;
    SpreadsheetFormat m_format = SpreadsheetFormat::Unknown;
    std::unique_ptr<SpreadsheetSheet> m_sheet;
    std::function<void()> m_whileWaiting;
};
