#include "SpreadsheetReader.h"

#include "Codec1254.h"
#include "HugePages.h"
#include "SpreadsheetBiff.h"
#include "SpreadsheetIsolation.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetZip.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <initializer_list>
#include <string_view>

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

// `head`: the file's first bytes, at least its first 256.
SpreadsheetFormat zipFormat(const QByteArray& head, const SpreadsheetZipDirectory& directory)
{
    if (!directory.valid)
        return SpreadsheetFormat::Unknown;
    if (directory.contains("xl/workbook.xml"))
        return SpreadsheetFormat::Xlsx;
    if (!directory.contains("content.xml"))
        return SpreadsheetFormat::Unknown;
    // An OpenDocument package names its kind in the stored "mimetype" part right at its start;
    // a text document or a drawing also has a content.xml.
    const qsizetype mime = head.left(256).indexOf(odfMimePrefix);
    if (mime >= 0 && head.mid(mime + odfMimePrefix.size(), 11) != QByteArrayLiteral("spreadsheet"))
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

struct Detection
{
    SpreadsheetFormat format = SpreadsheetFormat::Unknown;
    const char* refusal = nullptr; // why the format is Unknown
    bool zip = false;
    SpreadsheetZipDirectory directory; // read when the content looks like a zip package
};

// `head` is the file's first textSniffBytes bytes, or all of it when `whole`; a zip package's
// directory is read only when the head says it is one.
Detection detect(const QByteArray& head, bool whole, const std::function<SpreadsheetZipDirectory()>& zipDirectory)
{
    Detection d;
    if (head.startsWith(oleMagic))
    {
        // An encrypted package is told by a stream's name anywhere in the compound document:
        // the decoder, which reads the file whole, refuses it.
        if (whole && isEncryptedOfficePackage(head))
            d.refusal = "workbook is encrypted (password-protected package)";
        else
            d.format = SpreadsheetFormat::Xls;
    }
    else if (spreadsheetLooksLikeZip(head))
    {
        d.zip = true;
        d.directory = zipDirectory();
        d.format = zipFormat(head, d.directory);
        d.refusal = "zip package is not a spreadsheet (neither xlsx nor ods)";
    }
    else if (spreadsheetLooksLikeOldBiff(head))
    {
        d.format = SpreadsheetFormat::OldXls;
    }
    else if (head.left(textSniffBytes).contains('\0'))
    {
        d.refusal = "file is neither a workbook nor text";
    }
    else
    {
        d.format = SpreadsheetFormat::Csv;
    }
    return d;
}

SpreadsheetFormat checked(const Detection& detected, const SpreadsheetLimits& limits)
{
    // Limits first: a damaged or oversized package is reported as such, not as "not a spreadsheet".
    if (detected.zip)
        spreadsheetCheckZipLimits(detected.directory, limits);
    if (detected.format == SpreadsheetFormat::Unknown)
        throw ESpreadsheetError(detected.refusal);
    return detected.format;
}
} // namespace

SpreadsheetProblem spreadsheetProblemOf(const ESpreadsheetError& error)
{
    const std::string_view message = error.what();
    const auto has = [&](std::initializer_list<const char*> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](const char* word) { return message.find(word) != std::string_view::npos; });
    };
    if (has({"encrypted", "password"}))
        return SpreadsheetProblem::Encrypted;
    if (has({"no such worksheet"}))
        return SpreadsheetProblem::MissingSheet;
    if (has({"shared string"}))
        return SpreadsheetProblem::MissingText;
    if (has({"larger than", "beyond", "more than", "too many", "zip bomb", "announces"}))
        return SpreadsheetProblem::TooLarge;
    if (has({"crashed", "took longer", "failed on this file"}))
        return SpreadsheetProblem::ReaderFailed;
    if (has({"not a spreadsheet", "neither a workbook nor text"}))
        return SpreadsheetProblem::NotASheet;
    return SpreadsheetProblem::Damaged;
}

SpreadsheetFormat detectSpreadsheetFormat(const QByteArray& content)
{
    const int maxEntries = SpreadsheetLimits().maxZipEntries;
    return detect(content, true, [&] { return spreadsheetReadZipDirectory(content, maxEntries); }).format;
}

QByteArray spreadsheetFileContent(const QString& fileName, const SpreadsheetLimits& limits)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ESpreadsheetError("workbook could not be opened: " + file.errorString().toStdString());
    if (file.size() > limits.maxFileBytes)
        throw ESpreadsheetError("workbook larger than " + std::to_string(limits.maxFileBytes) + " bytes");
    // Room for what the file holds, not for the limit; in huge pages, which a large workbook
    // fills with far fewer page faults.
    QByteArray content(file.size(), Qt::Uninitialized);
    adviseHugePages(content.data(), std::size_t(content.size()));
    if (file.read(content.data(), content.size()) != content.size() || !file.read(1).isEmpty())
        throw ESpreadsheetError("workbook changed while it was read");
    return content;
}

SpreadsheetFileKind spreadsheetFileKind(const QString& fileName, const SpreadsheetLimits& limits)
{
    QFile file(fileName);
    // Unbuffered: the directory's few scattered records are read as asked, without read-ahead.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw ESpreadsheetError("workbook could not be opened: " + file.errorString().toStdString());
    SpreadsheetFileKind kind;
    kind.size = file.size();
    if (kind.size > limits.maxFileBytes)
        throw ESpreadsheetError("workbook larger than " + std::to_string(limits.maxFileBytes) + " bytes");
    const QByteArray head = file.read(textSniffBytes);
    if (head.size() != std::min<qint64>(kind.size, textSniffBytes))
        throw ESpreadsheetError("workbook could not be read: " + file.errorString().toStdString());
    const SpreadsheetZipRead read = [&](qint64 offset, qint64 count) {
        return file.seek(offset) ? file.read(count) : QByteArray();
    };
    kind.format = checked(detect(head, kind.size <= textSniffBytes,
                                 [&] { return spreadsheetReadZipDirectory(read, kind.size, limits.maxZipEntries); }),
                          limits);
    return kind;
}

SpreadsheetFormat spreadsheetCheckedFormat(const QByteArray& content, const SpreadsheetLimits& limits)
{
    return checked(detect(content, true, [&] { return spreadsheetReadZipDirectory(content, limits.maxZipEntries); }),
                   limits);
}

SpreadsheetReader::SpreadsheetReader() = default;
SpreadsheetReader::~SpreadsheetReader() = default;

void SpreadsheetReader::open(const QString& fileName)
{
    close();
    // A workbook's bytes are read by the decoder alone; only text, converted here, travels to it.
    const SpreadsheetFileKind kind = spreadsheetFileKind(fileName, m_limits);
    SpreadsheetDecodeRequest request;
    request.fileName = fileName;
    request.selection = m_selection;
    request.format = kind.format;
    request.fileSize = kind.size;
    if (request.format == SpreadsheetFormat::Csv)
        request.content = csvAsUtf8(spreadsheetFileContent(fileName, m_limits));
    const SpreadsheetFormat format = request.format;
    m_sheet = spreadsheetDecodeIsolated(std::move(request), m_limits, m_whileWaiting);
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

int SpreadsheetReader::lastUsedRow() const
{
    if (!m_sheet || m_sheet->lastUsedRow() < 0)
        return 1;
    return m_sheet->lastUsedRow() + 1;
}

int SpreadsheetReader::usedColumnCount() const
{
    return m_sheet ? m_sheet->usedColumnCount() : 0;
}

QStringList SpreadsheetReader::sheetNames() const
{
    return m_sheet ? m_sheet->sheetNames() : QStringList();
}

QString SpreadsheetReader::cellText(int row, int column) const
{
    if (!m_sheet)
        return {};
    return m_sheet->cellText(row - 1, column - 1);
}
