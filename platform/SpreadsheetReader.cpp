#include "SpreadsheetReader.h"

#include "Codec1254.h"
#include "SpreadsheetIsolation.h"
#include "SpreadsheetOrcus.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetXls.h"
#include "SpreadsheetZip.h"

#include <QFile>
#include <QStringDecoder>
#include <functional>

namespace {
const QByteArray oleMagic = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
// The stream an encrypted Office Open XML package keeps inside its compound document.
const QByteArray encryptedPackageName = QByteArrayLiteral("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0");
const QByteArray odfMimePrefix = QByteArrayLiteral("application/vnd.oasis.opendocument.");

constexpr qsizetype textSniffBytes = 8192;

bool isEncryptedOfficePackage(const QByteArray& content)
{
    return content.startsWith(oleMagic) && content.contains(encryptedPackageName);
}

SpreadsheetFormat zipFormat(const QByteArray& content, const SpreadsheetZipDirectory& directory)
{
    if (!directory.valid)
        return SpreadsheetFormat::Unknown;
    if (directory.contains("xl/workbook.xml"))
        return SpreadsheetFormat::Xlsx;
    if (!directory.contains("content.xml"))
        return SpreadsheetFormat::Unknown;
    // An OpenDocument package names its kind in the stored "mimetype" part right at its start;
    // a text document or a drawing also has a content.xml.
    const qsizetype mime = content.left(256).indexOf(odfMimePrefix);
    if (mime >= 0 && content.mid(mime + odfMimePrefix.size(), 11) != QByteArrayLiteral("spreadsheet"))
        return SpreadsheetFormat::Unknown;
    return SpreadsheetFormat::Ods;
}

// Text files come in UTF-8 or, from older Turkish systems, in code page 1254, and mostly with
// Windows line ends, which liborcus would leave at the end of the last cell of every row.
QByteArray csvAsUtf8(QByteArray content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    content.replace("\r\n", "\n");
    content.replace('\r', '\n');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(content);
    if (!utf8.hasError())
        return content;
    return Cp1254::toUnicode(content).toUtf8();
}
} // namespace

SpreadsheetFormat detectSpreadsheetFormat(const QByteArray& content)
{
    if (content.startsWith(oleMagic))
        return isEncryptedOfficePackage(content) ? SpreadsheetFormat::Unknown : SpreadsheetFormat::Xls;
    if (spreadsheetLooksLikeZip(content))
        return zipFormat(content, spreadsheetReadZipDirectory(content, SpreadsheetLimits().maxZipEntries));
    if (content.left(textSniffBytes).contains('\0'))
        return SpreadsheetFormat::Unknown;
    return SpreadsheetFormat::Csv;
}

SpreadsheetReader::SpreadsheetReader() = default;
SpreadsheetReader::~SpreadsheetReader() = default;

void SpreadsheetReader::open(const QString& fileName)
{
    close();
    QByteArray content;
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw ESpreadsheetError("workbook could not be opened: " + file.errorString().toStdString());
        if (file.size() > m_limits.maxFileBytes)
            throw ESpreadsheetError("workbook larger than " + std::to_string(m_limits.maxFileBytes) + " bytes");
        // read(n) reserves n bytes at once, so ask for what the file holds, not for the limit.
        content = file.read(file.size());
        if (content.size() != file.size() || !file.read(1).isEmpty())
            throw ESpreadsheetError("workbook changed while it was read");
    }

    SpreadsheetFormat format = SpreadsheetFormat::Unknown;
    std::function<void(SpreadsheetSheet&)> parse;
    if (content.startsWith(oleMagic))
    {
        if (isEncryptedOfficePackage(content))
            throw ESpreadsheetError("workbook is encrypted (password-protected package)");
        format = SpreadsheetFormat::Xls;
        parse = [&](SpreadsheetSheet& sheet) { spreadsheetReadXls(fileName, content, m_limits.maxXlsCells, sheet); };
    }
    else if (spreadsheetLooksLikeZip(content))
    {
        const SpreadsheetZipDirectory directory = spreadsheetReadZipDirectory(content, m_limits.maxZipEntries);
        spreadsheetCheckZipLimits(directory, m_limits);
        format = zipFormat(content, directory);
        if (format == SpreadsheetFormat::Unknown)
            throw ESpreadsheetError("zip package is not a spreadsheet (neither xlsx nor ods)");
        parse = [&](SpreadsheetSheet& sheet) { spreadsheetReadWithOrcus(format, content, sheet, m_limits); };
    }
    else
    {
        if (content.left(textSniffBytes).contains('\0'))
            throw ESpreadsheetError("file is neither a workbook nor text");
        format = SpreadsheetFormat::Csv;
        content = csvAsUtf8(std::move(content));
        parse = [&](SpreadsheetSheet& sheet) { spreadsheetReadWithOrcus(format, content, sheet, m_limits); };
    }
    const SpreadsheetLimits& limits = m_limits;
    m_sheet = spreadsheetParseIsolated(
        [&](SpreadsheetSheet& sheet) {
            parse(sheet);
            if (sheet.overRows())
                throw ESpreadsheetError("worksheet has more than " + std::to_string(limits.maxRows) + " rows");
            if (sheet.overLimit())
                throw ESpreadsheetError("worksheet text beyond " + std::to_string(limits.maxKeptTextBytes) + " bytes");
        },
        m_limits);
    m_format = format;
}

void SpreadsheetReader::close() noexcept
{
    m_sheet.reset();
    m_format = SpreadsheetFormat::Unknown;
}

bool SpreadsheetReader::isOpen() const
{
    return m_sheet != nullptr;
}

SpreadsheetFormat SpreadsheetReader::format() const
{
    return m_format;
}

int SpreadsheetReader::firstUsedRow() const
{
    if (!m_sheet || m_sheet->firstUsedRow() < 0)
        return 1;
    return m_sheet->firstUsedRow() + 1;
}

int SpreadsheetReader::usedRowCount() const
{
    if (!m_sheet)
        return 0;
    if (m_sheet->firstUsedRow() < 0)
        return 1;
    return m_sheet->lastUsedRow() - m_sheet->firstUsedRow() + 1;
}

QString SpreadsheetReader::cellText(int row, int column) const
{
    if (!m_sheet)
        return {};
    return m_sheet->cellText(row - 1, column - 1);
}
