#include "DrawJournal.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
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

TDrawJournal::TDrawJournal(QString folder, const QDateTime& runStarted)
    : m_folder(std::move(folder)), m_stem(QStringLiteral("Cekilis-") + runStarted.toString(timeFormat))
{
    m_winnersFile = freeName(m_stem, 1);
}

QString TDrawJournal::freeName(const QString& stem, int attempt) const
{
    // "_2" sorts after ".txt", so a second run started in the same second is listed after the first.
    const QString suffix = attempt > 1 ? QStringLiteral("_%1").arg(attempt) : QString();
    return QDir(m_folder).filePath(stem + suffix + QStringLiteral(".txt"));
}

bool TDrawJournal::appendWinner(const QByteArray& adi, const QByteArray& hediye)
{
    m_pending += winnerLine(adi, hediye);
    if (writePendingWinners())
        return true;
    if (!m_winnersTold)
    {
        m_winnersTold = true;
        m_notice = winnersFailedText(m_winnersFile);
    }
    return false;
}

bool TDrawJournal::writePendingWinners()
{
    if (!QDir().mkpath(m_folder))
        return false;
    AppendResult result = AppendResult::NotOpened;
    if (m_claimed)
    {
        result = appendSynced(m_winnersFile, m_pending, false, m_written);
    }
    else
    {
        // Another run started in the same second may hold the name already: take the next one.
        for (int attempt = 1; attempt <= 100; ++attempt)
        {
            const QString path = freeName(m_stem, attempt);
            result = appendSynced(path, m_pending, true, 0);
            if (result == AppendResult::Exists)
                continue;
            if (result != AppendResult::NotOpened)
            {
                m_claimed = true;
                m_winnersFile = path;
                SyncFolderToDisk(m_folder);
            }
            break;
        }
    }
    if (result != AppendResult::Written)
        return false;
    m_written += m_pending.size();
    m_pending.clear();
    return true;
}

bool TDrawJournal::saveNumbers(const QByteArray& list, const QDateTime& finished)
{
    const QString stem = QStringLiteral("Sayilar-") + finished.toString(timeFormat);
    m_numbersFile = freeName(stem, 1);
    bool saved = false;
    if (QDir().mkpath(m_folder))
    {
        for (int attempt = 1; attempt <= 100; ++attempt)
        {
            // Claiming the name first keeps two draws ending in the same second apart.
            const QString path = freeName(stem, attempt);
            const AppendResult claim = appendSynced(path, QByteArray(), true, 0);
            if (claim == AppendResult::Exists)
                continue;
            if (claim == AppendResult::NotOpened)
                break;
            m_numbersFile = path;
            try
            {
                SaveFileAtomically(path, list);
                SyncFolderToDisk(m_folder);
                saved = true;
            }
            catch (const EFileError&)
            {
                QFile::remove(path);
            }
            break;
        }
    }
    if (!saved && !m_numbersTold)
    {
        m_numbersTold = true;
        m_notice = numbersFailedText(m_numbersFile);
    }
    return saved;
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
