#include "ProgramFolderLock.h"

#include "DataErrors.h"
#include "Messages.h"
#include "SaveFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// What the lock file says of its copy, in the order an older build of the program wrote it.
QByteArray lockInfo(const QString& folder)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
           QCoreApplication::applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n' +
           QDir::toNativeSeparators(folder).toUtf8() + '\n';
}

#ifdef Q_OS_WIN
std::wstring nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
#endif
} // namespace

TProgramFolderLock::TProgramFolderLock(const QString& folder) : m_folder(folder)
{}

TProgramFolderLock::~TProgramFolderLock()
{
    release();
}

QStringList TProgramFolderLock::candidates(const QString& folder)
{
    const QDir dir(folder);
    const QByteArray key =
        QCryptographicHash::hash(dir.absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return {dir.filePath(bareName()), dir.filePath(QStringLiteral("Data/") + bareName()),
            QDir(QDir::tempPath()).filePath(QStringLiteral("cekilis-%1.lock").arg(QString::fromLatin1(key)))};
}

bool TProgramFolderLock::acquire()
{
    release();
    const QStringList places = candidates(m_folder);
    for (const QString& place : places)
    {
        if (place == places.at(1))
            QDir(m_folder).mkdir(QStringLiteral("Data"));
        const Hold held = hold(place);
        if (held == Hold::Refused)
            continue;
        m_fileName = place;
        return held == Hold::Held;
    }
    m_fileName = places.first();
    return true;
}

#ifdef Q_OS_WIN
// The file is held open for writing and shared for reading only: a second copy cannot open it for
// writing while the first runs, and the system closes it when the first ends in any way. A link
// is not followed; a name that is not a plain file is refused.
TProgramFolderLock::Hold TProgramFolderLock::hold(const QString& path)
{
    const std::wstring name = nativeName(path);
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle =
        CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, flags, nullptr);
    bool writable = handle != INVALID_HANDLE_VALUE;
    if (!writable)
    {
        if (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION)
            return Hold::Busy;
        // A folder that takes no new file may still hold the file of an earlier run: held for reading
        // alone, shared with nobody.
        handle = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_SHARING_VIOLATION ? Hold::Busy : Hold::Refused;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    {
        CloseHandle(handle);
        return Hold::Refused;
    }
    m_handle = handle;
    if (writable)
    {
        const QByteArray bytes = lockInfo(m_folder);
        DWORD written = 0;
        WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
        SetEndOfFile(handle);
        FlushFileBuffers(handle);
    }
    return Hold::Held;
}

void TProgramFolderLock::release() noexcept
{
    if (!m_handle)
        return;
    CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
    DeleteFileW(nativeName(m_fileName).c_str());
}
#else
// The file is held under flock(): the system drops the hold when the copy ends in any way. A link
// is not followed and a name that is not a plain file is refused, so a lock named like the
// program's cannot point it at a device or a FIFO.
TProgramFolderLock::Hold TProgramFolderLock::hold(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        const int base = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
        bool writable = true;
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | base, 0644);
        if (fd < 0)
        {
            // A folder that takes no new file may still hold the file of an earlier run.
            writable = false;
            fd = ::open(name.constData(), O_RDONLY | base);
        }
        if (fd < 0)
            return Hold::Refused;
        struct stat held
        {
        };
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode))
        {
            ::close(fd);
            return Hold::Refused;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Hold::Busy;
            return Hold::Refused; // a file system without locks: the next place may have them
        }
        // The copy before may have removed the file between the open and the lock: the hold is then
        // on a file nobody else finds, and the name is tried again.
        struct stat named
        {
        };
        if (::lstat(name.constData(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev)
        {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        if (writable)
        {
            const QByteArray bytes = lockInfo(m_folder);
            if (::ftruncate(fd, 0) == 0)
            {
                [[maybe_unused]] const ssize_t written = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0);
            }
        }
        return Hold::Held;
    }
    return Hold::Refused;
}

void TProgramFolderLock::release() noexcept
{
    if (m_fd < 0)
        return;
    // Removed while still held, so a copy starting meanwhile finds either the held file or none.
    ::unlink(QFile::encodeName(m_fileName).constData());
    ::close(m_fd);
    m_fd = -1;
}
#endif

QString TProgramFolderLock::alreadyRunningText(const QString& lockFile)
{
    return QStringLiteral("Çekiliş programı bu klasörde zaten çalışıyor. İki kopya aynı dosyaları birbirinin üzerine "
                          "yazacağından bu kopya kapanacak; açık olan programı kullanınız. (Kilit dosyası: \"%1\")")
        .arg(QDir::toNativeSeparators(lockFile));
}

void TProgramFolderLock::askHolderToFront()
{
#ifdef Q_OS_WIN
    // The copy the operator just started may hand the foreground to the running one.
    AllowSetForegroundWindow(ASFW_ANY);
#endif
    try
    {
        SaveFileAtomically(QDir(m_folder).filePath(frontRequestName()), QByteArray());
    }
    catch (const EFileError&)
    {
        // A folder that takes no file cannot pass the request on; the notice still says it all.
    }
}

bool claimProgramFolder(TProgramFolderLock& lock)
{
    if (lock.acquire())
        return true;
    lock.askHolderToFront();
    ShowBilgi(TProgramFolderLock::alreadyRunningText(lock.fileName()));
    return false;
}
