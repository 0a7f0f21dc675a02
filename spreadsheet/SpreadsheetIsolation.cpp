#include "SpreadsheetIsolation.h"

#include "HugePages.h"
#include "LittleEndian.h"
#include "SpreadsheetBiff.h"
#include "SpreadsheetOds.h"
#include "SpreadsheetOrcus.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetXls.h"
#include "SpreadsheetXlsx.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
const char modeArgument[] = "--cekilis-spreadsheet-decoder";
const char tokenVariable[] = "CEKILIS_DECODER_TOKEN";
constexpr qsizetype tokenLength = 32;
// Close enough for a window to repaint smoothly, far enough not to cost the decoding anything.
constexpr int waitSliceMs = 50;

struct DecoderProgram
{
    bool self = false;
    bool chosen = false;
    QString path;
};
DecoderProgram& decoderProgram()
{
    static DecoderProgram program;
    return program;
}

bool isToken(const QByteArray& token)
{
    return token.size() == tokenLength &&
           std::all_of(token.begin(), token.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

QByteArray newToken()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex();
}

// Columns one request may keep: a preview's worth.
constexpr quint32 maxSelectedColumns = 64;

std::unique_ptr<SpreadsheetSheet> newSheet(const SpreadsheetLimits& limits, const SpreadsheetSelection& selection)
{
    return std::make_unique<SpreadsheetSheet>(limits.maxKeptTextBytes, limits.maxRows, selection);
}

void putU32(QByteArray& out, quint32 v)
{
    const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}
void putU64(QByteArray& out, quint64 v)
{
    putU32(out, quint32(v & 0xFFFFFFFFu));
    putU32(out, quint32(v >> 32));
}

class Decoder
{
public:
    Decoder(const QByteArray& data, qint64 pos) : m_data(data), m_pos(pos) {}
    quint32 u32()
    {
        need(4);
        const auto* p = reinterpret_cast<const unsigned char*>(m_data.constData() + m_pos);
        m_pos += 4;
        return leU32(p);
    }
    quint64 u64()
    {
        const quint64 low = u32();
        return low | quint64(u32()) << 32;
    }
    std::string_view bytes(quint64 length)
    {
        need(length);
        const std::string_view view(m_data.constData() + m_pos, size_t(length));
        m_pos += qint64(length);
        return view;
    }

private:
    void need(quint64 count) const
    {
        if (count > quint64(m_data.size() - m_pos))
            throw ESpreadsheetError("workbook reader answered incompletely");
    }
    const QByteArray& m_data;
    qint64 m_pos;
};

// A workbook's bytes are left for the child to read from its file, so that they need not pass
// through a pipe; only a text file, which the parent has already converted, travels with the
// request. The child checks the bytes it reads as the parent checked its own.
bool childReadsTheFile(const SpreadsheetDecodeRequest& request)
{
    return request.format != SpreadsheetFormat::Csv;
}

qint64 fileSizeOf(const SpreadsheetDecodeRequest& request)
{
    return childReadsTheFile(request) && request.fileSize >= 0 ? request.fileSize : request.content.size();
}

// The workbook's bytes as the decoder reads them from its file: the size the parent saw and the
// kind it told, or the refusal the whole file gives (an encrypted compound document is told only
// by its whole).
QByteArray workbookBytes(const SpreadsheetDecodeRequest& request, const SpreadsheetLimits& limits, quint64 size)
{
    QByteArray content = spreadsheetFileContent(request.fileName, limits);
    if (quint64(content.size()) != size || spreadsheetCheckedFormat(content, limits) != request.format)
        throw ESpreadsheetError("workbook changed while it was read");
    return content;
}

// The request as the child reads it: kind, the limits, name, selection, the file's size or the bytes.
QByteArray encodeRequest(const SpreadsheetDecodeRequest& request, const SpreadsheetLimits& limits)
{
    QByteArray out;
    putU32(out, quint32(request.format));
    for (const qint64 limit : {limits.maxFileBytes, limits.maxUnpackedBytes, limits.ratioFloorBytes,
                               limits.maxKeptTextBytes, limits.maxXlsCells})
        putU64(out, quint64(limit));
    for (const int limit : {limits.maxRatio, limits.maxZipEntries, limits.maxRows})
        putU32(out, quint32(limit));
    const QByteArray name = request.fileName.toUtf8();
    putU32(out, quint32(name.size()));
    out += name;
    putU32(out, quint32(request.selection.sheet));
    putU32(out, quint32(request.selection.rowLimit));
    const auto columns = std::min<std::size_t>(request.selection.columns.size(), maxSelectedColumns);
    putU32(out, quint32(columns));
    for (std::size_t i = 0; i < columns; ++i)
        putU32(out, quint32(request.selection.columns[i]));
    putU32(out, childReadsTheFile(request) ? 1 : 0);
    putU64(out, quint64(fileSizeOf(request)));
    return out;
}

// Exactly `size` bytes of standard input; fewer only when the input ends early.
QByteArray readInput(quint64 size)
{
    if (size > quint64(std::numeric_limits<qsizetype>::max() / 2))
        throw ESpreadsheetError("workbook reader asked for an impossible size");
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size())
    {
        const size_t n = std::fread(data.data() + done, 1, size_t(data.size() - done), stdin);
        if (n == 0)
            throw ESpreadsheetError("workbook reader was asked incompletely");
        done += qsizetype(n);
    }
    return data;
}

// Read piece by piece, so that the workbook's bytes are held once.
SpreadsheetDecodeRequest readRequest(SpreadsheetLimits& limits)
{
    const QByteArray fixed = readInput(4 + 5 * 8 + 4 * 4);
    Decoder in(fixed, 0);
    SpreadsheetDecodeRequest request;
    request.format = SpreadsheetFormat(in.u32());
    for (qint64* limit : {&limits.maxFileBytes, &limits.maxUnpackedBytes, &limits.ratioFloorBytes,
                          &limits.maxKeptTextBytes, &limits.maxXlsCells})
        *limit = qint64(in.u64());
    for (int* limit : {&limits.maxRatio, &limits.maxZipEntries, &limits.maxRows})
        *limit = int(in.u32());
    request.fileName = QString::fromUtf8(readInput(in.u32()));
    const QByteArray selection = readInput(12);
    Decoder chosen(selection, 0);
    request.selection.sheet = int(chosen.u32());
    request.selection.rowLimit = int(chosen.u32());
    const quint32 columns = chosen.u32();
    if (columns > maxSelectedColumns)
        throw ESpreadsheetError("workbook reader asked for too many columns");
    const QByteArray columnList = readInput(4 * columns);
    Decoder columnIn(columnList, 0);
    request.selection.columns.clear();
    for (quint32 i = 0; i < columns; ++i)
        request.selection.columns.push_back(int(columnIn.u32()));
    const QByteArray source = readInput(12);
    Decoder tail(source, 0);
    const bool fromFile = tail.u32() != 0;
    const quint64 size = tail.u64();
    if (!fromFile)
    {
        request.content = readInput(size);
        return request;
    }
    request.content = workbookBytes(request, limits, size);
    return request;
}

void readInto(const SpreadsheetDecodeRequest& request, const SpreadsheetLimits& limits, SpreadsheetSheet& sheet)
{
    if (request.format == SpreadsheetFormat::Xls)
        spreadsheetReadXls(request.fileName, request.content, limits.maxXlsCells, sheet);
    else if (request.format == SpreadsheetFormat::OldXls)
        spreadsheetReadOldBiff(request.content, sheet);
    else if (request.format == SpreadsheetFormat::Xlsx)
        spreadsheetReadXlsx(request.content, sheet);
    else if (request.format == SpreadsheetFormat::Ods)
        spreadsheetReadOds(request.content, sheet, limits);
    else
        spreadsheetReadWithOrcus(request.format, request.content, sheet, limits);
}

void decodeHere(const SpreadsheetDecodeRequest& request, const SpreadsheetLimits& limits, SpreadsheetSheet& sheet)
{
    if (request.selection.sheet < 0)
        throw ESpreadsheetError("no such worksheet");
    try
    {
        readInto(request, limits, sheet);
    }
    catch (const ESpreadsheetEnough&)
    {
        // The rows asked for are in; the rest of the sheet is not needed.
    }
    if (const qint64 missing = sheet.missingSharedString(); missing >= 0)
        throw ESpreadsheetError("a cell refers to shared string " + std::to_string(missing) +
                                ", which the workbook does not have");
    if (sheet.overRows())
        throw ESpreadsheetError("worksheet has more than " + std::to_string(limits.maxRows) + " rows");
    if (sheet.overLimit())
        throw ESpreadsheetError("worksheet text beyond " + std::to_string(limits.maxKeptTextBytes) + " bytes");
}

QByteArray encodeError(const char* message)
{
    QByteArray out;
    out.append('\1');
    out += message;
    return out;
}

// The decoder's answer: status byte 0 and the sheet, or status byte 1 and an error message. It
// is given to `put` a megabyte at a time, so that a large sheet is not held a second time; the
// workbook's bytes are let go before.
template <class Put> void answer(SpreadsheetDecodeRequest&& request, const SpreadsheetLimits& limits, Put&& put)
{
    std::unique_ptr<SpreadsheetSheet> sheet;
    try
    {
        sheet = newSheet(limits, request.selection);
        decodeHere(request, limits, *sheet);
    }
    catch (const std::exception& e)
    {
        return put(encodeError(e.what()));
    }
    catch (...)
    {
        return put(encodeError("workbook could not be read"));
    }
    request.content = QByteArray();
    constexpr qsizetype piece = 1 << 20;
    QByteArray out;
    out.reserve(piece + 64);
    out.append('\0');
    putU32(out, quint32(sheet->firstUsedRow()));
    putU32(out, quint32(sheet->lastUsedRow()));
    putU32(out, quint32(sheet->usedColumnCount()));
    putU32(out, quint32(sheet->sheetNames().size()));
    for (const QString& name : sheet->sheetNames())
    {
        const QByteArray utf8 = name.toUtf8();
        putU32(out, quint32(utf8.size()));
        out += utf8;
    }
    std::string scratch;
    const int rows = sheet->lastUsedRow() + 1;
    const std::vector<int> columns = sheet->selection().columns;
    for (int row = 0; row < rows; ++row)
        for (const int col : columns)
        {
            const std::string_view text = sheet->cellUtf8(row, col, scratch);
            putU32(out, quint32(text.size()));
            out.append(text.data(), qsizetype(text.size()));
            if (out.size() >= piece)
                put(out), out.resize(0);
        }
    put(out);
}

std::unique_ptr<SpreadsheetSheet> decodeAnswer(const QByteArray& answer, qint64 start, const SpreadsheetLimits& limits,
                                               const SpreadsheetSelection& selection)
{
    if (answer.size() <= start)
        throw ESpreadsheetError("workbook reader gave no answer");
    if (answer[start] != '\0')
        throw ESpreadsheetError(answer.mid(start + 1).toStdString());
    Decoder in(answer, start + 1);
    auto sheet = newSheet(limits, selection);
    const auto first = qint32(in.u32());
    const auto last = qint32(in.u32());
    if (last >= limits.maxRows || first > last)
        throw ESpreadsheetError("workbook reader answered with a bad used range");
    sheet->noteUsedColumns(int(std::min<quint32>(in.u32(), 16384)));
    const quint32 names = in.u32();
    for (quint32 i = 0; i < names; ++i)
        sheet->addSheetName(in.bytes(in.u32()));
    sheet->reserve(last + 1, std::size_t(answer.size() - start));
    const std::vector<int> columns = sheet->selection().columns;
    for (qint32 row = 0; row <= last; ++row)
        for (const int col : columns)
        {
            const std::string_view text = in.bytes(in.u32());
            if (!text.empty())
                sheet->setText(row, col, text);
        }
    if (first >= 0)
    {
        sheet->noteUsedRow(first);
        sheet->noteUsedRow(last);
    }
    return sheet;
}

// Runs the decoder program; nullptr when it could not be started at all.
std::unique_ptr<SpreadsheetSheet> decodeInChild(const QString& program, SpreadsheetDecodeRequest request,
                                                const SpreadsheetLimits& limits,
                                                const std::function<void()>& whileWaiting)
{
    const QByteArray token = newToken();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(tokenVariable), QString::fromLatin1(token));
#ifdef Q_OS_LINUX
    // The decoder fills hundreds of megabytes of fresh memory for a large workbook; in 2 MiB pages
    // that is a few hundred page faults instead of a hundred thousand, which halves the reading.
    const QString tunables = QStringLiteral("GLIBC_TUNABLES");
    const QString hugePages = QStringLiteral("glibc.malloc.hugetlb=1");
    const QString inherited = environment.value(tunables);
    environment.insert(tunables, inherited.isEmpty() ? hugePages : inherited + QLatin1Char(':') + hugePages);
#endif
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QString::fromLatin1(modeArgument)});
    if (!child.waitForStarted(int(std::min<qint64>(limits.parseTimeoutMs, 30000))))
        return nullptr;

    const SpreadsheetSelection selection = request.selection;
    QElapsedTimer clock;
    clock.start();
    child.write(encodeRequest(request, limits));
    // Handed over without a copy: the write buffer shares the bytes. Bytes the child reads
    // itself are not needed here any more.
    if (!childReadsTheFile(request))
        child.write(request.content);
    request.content = QByteArray();
    child.closeWriteChannel();
    // The answer holds at most the kept text, a length and a number's text per kept cell, and
    // the sheets' names.
    const qint64 rows = selection.rowLimit > 0 ? std::min(selection.rowLimit, limits.maxRows) : limits.maxRows;
    const auto width = qint64(std::max<std::size_t>(selection.columns.size(), 2));
    const qint64 answerLimit = tokenLength + limits.maxKeptTextBytes + 36LL * width * rows + 4096LL * 404 + 64;
    while (child.state() != QProcess::NotRunning)
    {
        const qint64 left = limits.parseTimeoutMs - clock.elapsed();
        if (left <= 0)
        {
            child.kill();
            child.waitForFinished();
            throw ESpreadsheetError("workbook reader took longer than " + std::to_string(limits.parseTimeoutMs) +
                                    " ms");
        }
        child.waitForFinished(int(std::min<qint64>(left, whileWaiting ? waitSliceMs : 1000)));
        if (child.bytesAvailable() > answerLimit)
        {
            child.kill();
            child.waitForFinished();
            throw ESpreadsheetError("workbook reader answered beyond the limits");
        }
        if (whileWaiting && child.state() != QProcess::NotRunning)
            whileWaiting();
    }
    if (child.exitStatus() == QProcess::CrashExit)
        throw ESpreadsheetError("workbook reader crashed on this file");
    if (child.exitCode() != 0)
        throw ESpreadsheetError("workbook reader failed on this file (exit " + std::to_string(child.exitCode()) + ")");
    if (child.bytesAvailable() > answerLimit)
        throw ESpreadsheetError("workbook reader answered beyond the limits");
    // Read in one piece (readAllStandardOutput() would grow its result chunk by chunk), into
    // huge pages, which a large answer fills with far fewer page faults.
    QByteArray answer(child.bytesAvailable(), Qt::Uninitialized);
    adviseHugePages(answer.data(), std::size_t(answer.size()));
    if (child.read(answer.data(), answer.size()) != answer.size())
        throw ESpreadsheetError("workbook reader answered incompletely");
    // Whatever else the program may print, the decoder's answer starts with the token it was given.
    if (!answer.startsWith(token))
        throw ESpreadsheetError("workbook reader gave no answer");
    return decodeAnswer(answer, tokenLength, limits, selection);
}

} // namespace

void setSpreadsheetDecoderProgram(const QString& path)
{
    decoderProgram().chosen = true;
    decoderProgram().path = path;
}

QString spreadsheetDecoderProgram()
{
    const DecoderProgram& program = decoderProgram();
    if (program.chosen)
        return program.path;
    if (program.self && QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return {};
}

std::optional<int> runSpreadsheetDecoderIfAsked(int argc, char** argv, const std::function<void()>& beforeDecoding)
{
    decoderProgram().self = true;
    if (argc != 2 || std::strcmp(argv[1], modeArgument) != 0)
        return std::nullopt;
    const QByteArray token = qgetenv(tokenVariable);
    if (!isToken(token))
        return std::nullopt;
#ifdef Q_OS_WIN
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef Q_OS_LINUX
    // A pipe of a megabyte instead of 64 KiB: the answer of a large sheet then passes in a
    // few dozen turns of the parent's loop rather than in a thousand.
    fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
#endif
    bool written = true;
    const auto put = [&](const QByteArray& piece) {
        written = written && std::fwrite(piece.constData(), 1, size_t(piece.size()), stdout) == size_t(piece.size());
    };
    put(token);
    SpreadsheetLimits limits;
    std::optional<SpreadsheetDecodeRequest> request;
    try
    {
        request = readRequest(limits);
    }
    catch (const std::exception& e)
    {
        put(encodeError(e.what()));
    }
    if (request && beforeDecoding)
        beforeDecoding();
    if (request)
        answer(std::move(*request), limits, put);
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}

std::unique_ptr<SpreadsheetSheet> spreadsheetDecodeIsolated(SpreadsheetDecodeRequest request,
                                                            const SpreadsheetLimits& limits,
                                                            const std::function<void()>& whileWaiting)
{
    if (!limits.isolate)
    {
        if (childReadsTheFile(request) && request.content.isEmpty())
            request.content = workbookBytes(request, limits, quint64(fileSizeOf(request)));
        const SpreadsheetSelection selection = request.selection;
        QByteArray whole;
        answer(std::move(request), limits, [&](const QByteArray& piece) { whole += piece; });
        return decodeAnswer(whole, 0, limits, selection);
    }
    // Decoding here instead would let a damaged file take the program down with it.
    const QString program = spreadsheetDecoderProgram();
    if (program.isEmpty())
        throw ESpreadsheetDecoderMissing("no workbook reader process is set up");
    if (auto sheet = decodeInChild(program, std::move(request), limits, whileWaiting))
        return sheet;
    throw ESpreadsheetDecoderMissing("workbook reader process could not be started: " + program.toStdString());
}
