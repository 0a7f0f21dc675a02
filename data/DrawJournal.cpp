#include "DrawJournal.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "IniFile.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <utility>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QString timeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

enum class AppendResult
{
    Written,
    Exists, // createNew and the name is taken
    NotOpened,
    NotWritten, // opened (created when createNew), but the bytes are not all on the disk
};

// Appends `bytes` to the file and waits until they are on the disk. `createNew` creates the file
// and fails when the name is taken. The first `keep` bytes are never touched: anything after
// them (the tail of an earlier append that failed) is cut off first, and a failed append cuts
// its own tail off again. Nothing is ever written over what is already in the file.
AppendResult appendSynced(const QString& path, const QByteArray& bytes, bool createNew, qint64 keep)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(path);
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(native.utf16()), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           createNew ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS ? AppendResult::Exists : AppendResult::NotOpened;
    LARGE_INTEGER size{};
    LARGE_INTEGER kept{};
    kept.QuadPart = keep;
    auto cutBack = [&] {
        if (GetFileSizeEx(h, &size) && size.QuadPart > keep && SetFilePointerEx(h, kept, nullptr, FILE_BEGIN))
            SetEndOfFile(h);
    };
    cutBack();
    LARGE_INTEGER zero{};
    bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) != 0;
    qsizetype done = 0;
    while (ok && done < bytes.size())
    {
        DWORD chunk = 0;
        ok = WriteFile(h, bytes.constData() + done, DWORD(bytes.size() - done), &chunk, nullptr) && chunk > 0;
        done += chunk;
    }
    ok = ok && FlushFileBuffers(h);
    if (!ok)
        cutBack();
    CloseHandle(h);
    return ok ? AppendResult::Written : AppendResult::NotWritten;
#else
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | (createNew ? O_EXCL : 0);
    const int fd = ::open(name.constData(), flags, 0666);
    if (fd < 0)
        return errno == EEXIST ? AppendResult::Exists : AppendResult::NotOpened;
    auto cutBack = [&] {
        struct stat st = {};
        if (::fstat(fd, &st) == 0 && st.st_size > keep)
        {
            [[maybe_unused]] const int cut = ::ftruncate(fd, keep);
        }
    };
    cutBack();
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < bytes.size())
    {
        const ssize_t chunk = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (chunk < 0 && errno == EINTR)
            continue;
        ok = chunk > 0;
        done += ok ? chunk : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok)
        cutBack();
    ::close(fd);
    return ok ? AppendResult::Written : AppendResult::NotWritten;
#endif
}

bool isControl(char byte)
{
    return Cp1254::toUnicode(byte).category() == QChar::Other_Control;
}

void appendBlanked(QByteArray& line, const QByteArray& text)
{
    for (const char byte : text)
        line += isControl(byte) ? ' ' : byte;
}
} // namespace

QByteArray winnerLine(const QByteArray& adi, const QByteArray& hediye)
{
    QByteArray line;
    line.reserve(adi.size() + hediye.size() + 3);
    appendBlanked(line, adi);
    line += '\t';
    appendBlanked(line, hediye);
    line += "\r\n";
    return line;
}

TDrawJournal::TDrawJournal(QString folder, const QDateTime& runStarted) : m_folder(std::move(folder))
{
    m_winners.stem = QStringLiteral("Cekilis-") + runStarted.toString(timeFormat);
    m_winners.path = freeName(m_winners.stem, 1);
}

QString TDrawJournal::freeName(const QString& stem, int attempt) const
{
    // "_2" sorts after ".txt", so a second run started in the same second is listed after the first.
    const QString suffix = attempt > 1 ? QStringLiteral("_%1").arg(attempt) : QString();
    return QDir(m_folder).filePath(stem + suffix + QStringLiteral(".txt"));
}

bool TDrawJournal::flush(AppendedFile& file)
{
    if (!QDir().mkpath(m_folder))
        return false;
    AppendResult result = AppendResult::NotOpened;
    if (file.claimed)
    {
        result = appendSynced(file.path, file.pending, false, file.written);
    }
    else
    {
        // Another run started in the same second may hold the name already: take the next one.
        for (int attempt = 1; attempt <= 100; ++attempt)
        {
            const QString path = freeName(file.stem, attempt);
            result = appendSynced(path, file.pending, true, 0);
            if (result == AppendResult::Exists)
                continue;
            if (result != AppendResult::NotOpened)
            {
                file.claimed = true;
                file.path = path;
                SyncFolderToDisk(m_folder);
            }
            break;
        }
    }
    if (result != AppendResult::Written)
        return false;
    file.written += file.pending.size();
    file.pending.clear();
    return true;
}

bool TDrawJournal::appendWinner(const QByteArray& adi, const QByteArray& hediye)
{
    m_winners.pending += winnerLine(adi, hediye);
    ++m_count;
    if (flush(m_winners))
        return true;
    if (!m_winnersTold)
    {
        m_winnersTold = true;
        m_notice = winnersFailedText(m_winners.path);
    }
    return false;
}

void TDrawJournal::winnerShown()
{
    m_shown = m_count;
    writeState();
}

void TDrawJournal::winnersSaved(int count)
{
    m_saved = std::min(count, m_count);
    writeState();
}

QString TDrawJournal::stateFile(const QString& journalFile)
{
    QString state = journalFile;
    if (state.endsWith(QLatin1String(".txt")))
        state.chop(4);
    return state + QStringLiteral(".Ini");
}

namespace {
const QString stateSection = QStringLiteral("Cekilis");
const QString shownKey = QStringLiteral("Gosterilen");
const QString savedKey = QStringLiteral("Kaydedilen");
const QString declinedKey = QStringLiteral("Sorma");
} // namespace

// The state is a small whole-file replace; a state that cannot be written costs only the
// question of the next start (it then offers winners that were saved, or not revealed).
void TDrawJournal::writeState()
{
    if (!m_winners.claimed)
        return;
    try
    {
        TIniFile state(stateFile(m_winners.path));
        state.writeInteger(stateSection, shownKey, m_shown);
        state.writeInteger(stateSection, savedKey, m_saved);
        state.updateFile();
    }
    catch (const EFileError&)
    {}
}

std::optional<TUnsavedEvening> TDrawJournal::findUnsaved(const QString& folder)
{
    const QDir dir(folder);
    const QStringList journals =
        dir.entryList({QStringLiteral("Cekilis-*.txt")}, QDir::Files | QDir::Readable, QDir::Name);
    if (journals.isEmpty())
        return std::nullopt;
    TUnsavedEvening evening;
    evening.file = dir.filePath(journals.last());
    const TIniFile state(stateFile(evening.file));
    if (state.readString(stateSection, declinedKey, QString()).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    QFile file(evening.file);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    // Only whole lines count: a line cut by a power cut was never a recorded winner.
    qsizetype from = 0;
    for (qsizetype end = bytes.indexOf("\r\n"); end >= 0; from = end + 2, end = bytes.indexOf("\r\n", from))
    {
        const QByteArray line = bytes.mid(from, end - from);
        const qsizetype tab = line.indexOf('\t');
        evening.winners.append({tab < 0 ? line : line.left(tab), tab < 0 ? QByteArray() : line.mid(tab + 1)});
    }
    const int count = int(evening.winners.size());
    evening.shown = std::clamp(state.readInteger(stateSection, shownKey, 0), 0, count);
    if (count == 0 || state.readInteger(stateSection, savedKey, 0) >= count)
        return std::nullopt;
    return evening;
}

void TDrawJournal::resume(const TUnsavedEvening& evening)
{
    m_winners.path = evening.file;
    m_winners.claimed = true;
    m_winners.pending.clear();
    // Anything after the last whole line (an append cut by the crash) is cut off with the next append.
    QByteArray whole;
    for (const auto& [adi, hediye] : evening.winners)
        whole += winnerLine(adi, hediye);
    m_winners.written = whole.size();
    m_count = int(evening.winners.size());
    m_shown = m_count;
    m_saved = 0;
    writeState();
}

bool TDrawJournal::decline(const QString& journalFile)
{
    try
    {
        TIniFile state(stateFile(journalFile));
        state.writeString(stateSection, declinedKey, QStringLiteral("True"));
        state.updateFile();
        return true;
    }
    catch (const EFileError&)
    {
        return false;
    }
}

void TDrawJournal::startNumbers(const QDateTime& started)
{
    m_numbers = AppendedFile();
    m_numbers.stem = QStringLiteral("Sayilar-") + started.toString(timeFormat);
    m_numbers.path = freeName(m_numbers.stem, 1);
}

bool TDrawJournal::appendNumbers(const QByteArray& lines)
{
    if (m_numbers.stem.isEmpty())
        startNumbers();
    m_numbers.pending += lines;
    if (flush(m_numbers))
        return true;
    if (!m_numbersTold)
    {
        m_numbersTold = true;
        m_notice = numbersFailedText(m_numbers.path);
    }
    return false;
}

bool TDrawJournal::saveNumbers(const QByteArray& list, const QDateTime& started)
{
    startNumbers(started);
    return appendNumbers(list);
}

QString TDrawJournal::takeNotice()
{
    return std::exchange(m_notice, QString());
}

QString TDrawJournal::winnersFailedText(const QString& path)
{
    return QStringLiteral("Kazananlar çekiliş kayıt dosyasına (\"%1\") yazılamadı. Çekiliş sürüyor; kazanan listesini "
                          "\"Kaydet\" ile kaydetmeyi unutmayınız. Bu uyarı bu çalışmada bir daha gösterilmeyecek.")
        .arg(QDir::toNativeSeparators(path));
}

QString TDrawJournal::numbersFailedText(const QString& path)
{
    return QStringLiteral("Çekiliş sonuçları kayıt dosyasına (\"%1\") yazılamadı. Sonuçları \"Çekiliş Sonuçlarını "
                          "Kaydet\" ile kaydetmeyi unutmayınız. Bu uyarı bu çalışmada bir daha gösterilmeyecek.")
        .arg(QDir::toNativeSeparators(path));
}
