#include "SpreadsheetXls.h"

#include "LittleEndian.h"
#include "NativePath.h"
#include "SpreadsheetBiff.h"
#include "SpreadsheetReader.h"
#include "SpreadsheetSheet.h"

#include <QDate>
#include <QFile>
#include <QTime>
#include <cstring>
#include <freexl.h>
#include <string>

namespace {
// Closes the workbook on every way out, also when reading it throws.
class XlsHandle
{
public:
    XlsHandle() = default;
    ~XlsHandle()
    {
        if (m_handle != nullptr)
            freexl_close(m_handle);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

void check(int result, const char* what)
{
    if (result != FREEXL_OK)
        throw ESpreadsheetError(std::string("xls workbook could not be read (") + what + ", freexl error " +
                                std::to_string(result) + ")");
}

// freexl hands dates over as text: "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
bool serialOfText(const char* text, double& serial)
{
    const QString value = QString::fromLatin1(text);
    const QDate zero = spreadsheetDayZero();
    const QDate date = QDate::fromString(value.left(10), QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
    {
        serial = static_cast<double>(zero.daysTo(date));
        if (value.size() > 10)
        {
            const QTime time = QTime::fromString(value.mid(11), QStringLiteral("HH:mm:ss"));
            if (!time.isValid())
                return false;
            serial += time.msecsSinceStartOfDay() / 86400000.0;
        }
        return true;
    }
    const QTime time = QTime::fromString(value, QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return false;
    serial = time.msecsSinceStartOfDay() / 86400000.0;
    return true;
}

// freexl trusts a workbook's structure more than a damaged file deserves:
//  - it converts the name of every entry of the compound document's directory using the length
//    the entry declares, without checking it against the 64 bytes a name has, and so reads far
//    past its buffer;
//  - it reserves memory for every cell a sheet's DIMENSION record announces (32 bytes a cell, half
//    a gigabyte for 65536 x 256) before reading a single one.
// The directory and the workbook stream's records are therefore walked here first; a file that
// cannot be walked cleanly, names an overlong entry or announces too many cells never reaches freexl.
class CompoundDocumentCheck
{
public:
    CompoundDocumentCheck(const QByteArray& content, qint64 maxCells) : m_content(content), m_maxCells(maxCells) {}

    // The workbook stream, checked; empty when the document has none.
    QByteArray run()
    {
        walkDirectory();
        if (m_workbookSize == 0)
            return {};
        QByteArray stream = readStream(m_workbookStart, m_workbookSize);
        checkDimensions(stream);
        return stream;
    }

private:
    static constexpr std::uint32_t endOfChain = 0xFFFFFFFE;

    void walkDirectory()
    {
        if (m_content.size() < 512)
            fail("truncated header");
        const std::uint32_t shift = u16(0x1E);
        if (shift != 9 && shift != 12)
            fail("unsupported sector size");
        m_sectorSize = 1u << shift;
        m_sectors = static_cast<std::uint32_t>((m_content.size() - m_sectorSize) / m_sectorSize + 1);
        collectFatSectors();
        std::uint32_t sector = u32(0x30);
        for (std::uint32_t steps = 0; sector != endOfChain; ++steps)
        {
            if (steps > m_sectors || sector >= m_sectors)
                fail("broken directory chain");
            const qint64 start = offsetOf(sector);
            if (start + m_sectorSize > m_content.size())
                fail("truncated directory");
            for (std::uint32_t entry = 0; entry < m_sectorSize / 128; ++entry)
                noteEntry(start + entry * 128, m_entries++);
            sector = next(sector);
        }
    }

    void noteEntry(qint64 at, std::uint32_t index)
    {
        const std::uint32_t nameBytes = u16(at + 0x40);
        if (nameBytes > 64)
            fail("directory entry with an overlong name");
        const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(m_content.constData() + at),
                                                nameBytes >= 2 ? nameBytes / 2 - 1 : 0);
        const std::uint32_t start = u32(at + 0x74);
        const std::uint32_t size = u32(at + 0x78);
        if (index == 0)
        {
            m_rootStart = start;
            m_rootSize = size;
        }
        else if (byte(at + 0x42) == 2 && m_workbookSize == 0 &&
                 (name == QLatin1String("Workbook") || name == QLatin1String("Book")))
        {
            m_workbookStart = start;
            m_workbookSize = size;
        }
    }

    QByteArray readStream(std::uint32_t start, std::uint32_t size)
    {
        if (size > m_content.size())
            fail("stream larger than the file");
        if (size < u32(0x38))
            return readMiniChain(start, size);
        return readChain(start, size);
    }

    QByteArray readChain(std::uint32_t sector, qint64 size) const
    {
        QByteArray out;
        for (std::uint32_t steps = 0; out.size() < size; ++steps)
        {
            if (steps > m_sectors || sector >= m_sectors || offsetOf(sector) + m_sectorSize > m_content.size())
                fail("broken stream chain");
            out += m_content.mid(offsetOf(sector), m_sectorSize);
            sector = next(sector);
        }
        out.truncate(size);
        return out;
    }

    // Streams below the cut-off size live in 64-byte pieces inside the root entry's stream.
    QByteArray readMiniChain(std::uint32_t sector, qint64 size) const
    {
        const std::uint32_t miniSize = 1u << std::min<std::uint32_t>(u16(0x20), 12);
        if (m_rootSize > m_content.size())
            fail("root stream larger than the file");
        const QByteArray root = readChain(m_rootStart, m_rootSize);
        const std::uint32_t miniFatSectors = u32(0x40);
        if (miniFatSectors > m_sectors)
            fail("mini allocation table larger than the file");
        const QByteArray miniFat = readChain(u32(0x3C), static_cast<qint64>(miniFatSectors) * m_sectorSize);
        QByteArray out;
        for (std::uint32_t steps = 0; out.size() < size; ++steps)
        {
            const qint64 at = static_cast<qint64>(sector) * miniSize;
            if (steps > root.size() / miniSize || at + miniSize > root.size() ||
                4 * qint64(sector) + 4 > miniFat.size())
                fail("broken mini stream chain");
            out += root.mid(at, miniSize);
            const auto* entry = reinterpret_cast<const unsigned char*>(miniFat.constData()) + 4 * qint64(sector);
            sector = leU32(entry);
        }
        out.truncate(size);
        return out;
    }

    // Every DIMENSION record, of every sheet: freexl reads them all when it opens the workbook.
    void checkDimensions(const QByteArray& stream) const
    {
        const auto* data = reinterpret_cast<const unsigned char*>(stream.constData());
        const auto at16 = [&](qsizetype i) { return leU16(data + i); };
        for (qsizetype pos = 0; pos + 4 <= stream.size();)
        {
            const std::uint32_t type = at16(pos);
            const qsizetype length = at16(pos + 2);
            const qsizetype body = pos + 4;
            // Past FILEPASS the records are encrypted and their contents mean nothing.
            if (type == 0x002F)
                throw ESpreadsheetError("xls workbook is password-protected");
            if (type == 0x0200 && body + length <= stream.size())
            {
                qint64 rows = 0;
                qint64 columns = 0;
                if (length >= 14)
                    rows = at16(body + 4) | qint64(at16(body + 6)) << 16, columns = at16(body + 10);
                else if (length >= 10)
                    rows = at16(body + 2), columns = at16(body + 6);
                if (rows * columns > m_maxCells)
                    throw ESpreadsheetError("xls worksheet announces " + std::to_string(rows) + " x " +
                                            std::to_string(columns) + " cells, more than " +
                                            std::to_string(m_maxCells));
            }
            pos = body + length;
        }
    }

    [[noreturn]] static void fail(const char* why)
    {
        throw ESpreadsheetError(std::string("damaged compound document (") + why + ")");
    }
    std::uint32_t byte(qint64 offset) const
    {
        if (offset < 0 || offset >= m_content.size())
            fail("reference outside the file");
        return static_cast<unsigned char>(m_content[offset]);
    }
    std::uint32_t u16(qint64 offset) const
    {
        return leU16([this](qint64 i) { return byte(i); }, offset);
    }
    std::uint32_t u32(qint64 offset) const
    {
        return leU32([this](qint64 i) { return byte(i); }, offset);
    }
    qint64 offsetOf(std::uint32_t sector) const { return (static_cast<qint64>(sector) + 1) * m_sectorSize; }

    void collectFatSectors()
    {
        const std::uint32_t count = u32(0x2C);
        if (count > m_sectors)
            fail("more allocation sectors than sectors");
        for (std::uint32_t i = 0; i < count && i < 109; ++i)
            m_fat.push_back(u32(0x4C + 4 * i));
        std::uint32_t difat = u32(0x44);
        const std::uint32_t perSector = m_sectorSize / 4 - 1;
        for (std::uint32_t steps = 0; m_fat.size() < count; ++steps)
        {
            if (steps > m_sectors || difat >= m_sectors)
                fail("broken allocation table list");
            for (std::uint32_t i = 0; i < perSector && m_fat.size() < count; ++i)
                m_fat.push_back(u32(offsetOf(difat) + 4 * i));
            difat = u32(offsetOf(difat) + 4 * perSector);
        }
    }

    std::uint32_t next(std::uint32_t sector) const
    {
        const std::uint32_t perSector = m_sectorSize / 4;
        const std::size_t index = sector / perSector;
        if (index >= m_fat.size() || m_fat[index] >= m_sectors)
            fail("sector outside the allocation table");
        return u32(offsetOf(m_fat[index]) + 4 * (sector % perSector));
    }

    const QByteArray& m_content;
    qint64 m_maxCells;
    std::uint32_t m_sectorSize = 512;
    std::uint32_t m_sectors = 0;
    std::uint32_t m_entries = 0;
    std::uint32_t m_rootStart = endOfChain;
    std::uint32_t m_rootSize = 0;
    std::uint32_t m_workbookStart = endOfChain;
    std::uint32_t m_workbookSize = 0;
    std::vector<std::uint32_t> m_fat;
};

bool hasValue(const FreeXL_CellValue& cell)
{
    return cell.type != FREEXL_CELL_NULL;
}

void keep(SpreadsheetSheet& sheet, int row, int col, const FreeXL_CellValue& cell)
{
    switch (cell.type)
    {
    case FREEXL_CELL_INT:
        sheet.setNumber(row, col, cell.value.int_value);
        break;
    case FREEXL_CELL_DOUBLE:
        sheet.setNumber(row, col, cell.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        if (cell.value.text_value != nullptr)
            sheet.setText(row, col, cell.value.text_value);
        else
            sheet.noteUsedRow(row);
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        double serial = 0;
        if (cell.value.text_value != nullptr && serialOfText(cell.value.text_value, serial))
            sheet.setDateTime(row, col, serial);
        else if (cell.value.text_value != nullptr)
            sheet.setText(row, col, cell.value.text_value);
        else
            sheet.noteUsedRow(row);
        break;
    }
    default:
        break;
    }
}
} // namespace

void spreadsheetReadXls(const QString& fileName, const QByteArray& content, qint64 maxCells, SpreadsheetSheet& sheet)
{
    const QByteArray stream = CompoundDocumentCheck(content, maxCells).run();
    XlsHandle handle;
    check(freexl_open(pathForCLibrary(fileName).constData(), handle.out()), "open");
    // freexl gives no handle at all for a workbook whose records are encrypted.
    if (handle.get() == nullptr)
        throw ESpreadsheetError("xls workbook is password-protected or unreadable");
    unsigned int password = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED)
        throw ESpreadsheetError("xls workbook is password-protected");
    unsigned int sheets = 0;
    check(freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheets), "sheet count");
    if (sheets == 0)
        throw ESpreadsheetError("xls workbook without a worksheet");
    for (unsigned int i = 0; i < sheets && i < 4096; ++i)
    {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle.get(), static_cast<unsigned short>(i), &name) == FREEXL_OK && name)
            sheet.addSheetName(name);
        else
            sheet.addSheetName({});
    }
    if (static_cast<unsigned int>(sheet.wantedSheet()) >= sheets)
        throw ESpreadsheetError("no such worksheet");
    check(freexl_select_active_worksheet(handle.get(), static_cast<unsigned short>(sheet.wantedSheet())), "worksheet");
    unsigned int rows = 0;
    unsigned short columns = 0;
    check(freexl_worksheet_dimensions(handle.get(), &rows, &columns), "dimensions");

    // The used range runs from the first row holding a value in any column to the last one.
    // Reading a cell outside the stored dimensions fails and is simply skipped.
    FreeXL_CellValue cell;
    for (unsigned int row = 0; row <= rows; ++row)
    {
        bool used = false;
        for (unsigned int col = 0; col <= columns; ++col)
        {
            std::memset(&cell, 0, sizeof cell);
            if (freexl_get_cell_value(handle.get(), row, static_cast<unsigned short>(col), &cell) != FREEXL_OK ||
                !hasValue(cell))
                continue;
            keep(sheet, static_cast<int>(row), static_cast<int>(col), cell);
            used = true;
        }
        if (used)
            sheet.noteUsedRow(static_cast<int>(row));
        if (sheet.overLimit())
            break;
    }
    spreadsheetReadXlsMissedCells(stream, sheet);
}
