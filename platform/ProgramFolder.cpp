#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QFileInfo>
#include <string>
#include <windows.h>
#endif

namespace {
QString& overrideFolder()
{
    static QString folder;
    return folder;
}

#ifdef Q_OS_WIN
// The executable's path through the wide-character API, so a folder named with letters outside
// the ANSI code page is found too; available before the application object exists.
QString executableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return QCoreApplication::applicationDirPath();
        if (length < path.size())
        {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // cut short: a longer path than MAX_PATH
    }
    return QFileInfo(QDir::fromNativeSeparators(QString::fromStdWString(path))).absolutePath();
}
#endif

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

#ifdef Q_OS_LINUX
// The executable's folder as the file system names it, byte for byte.
QByteArray executableFolderBytes()
{
    QByteArray link(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", link.data(), size_t(link.size()));
    if (length <= 0 || length >= link.size())
        return QByteArray();
    link.truncate(length);
    const qsizetype slash = link.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : link.left(slash);
}

// A folder whose name is not valid in the locale's encoding (a stick named "Çekiliş" in code page
// 1254 read on a UTF-8 system) has no QString that gives its bytes back. The folder is then held
// open for the whole run and reached through its descriptor's name, which is plain ASCII.
QString executableFolder()
{
    const QByteArray bytes = executableFolderBytes();
    if (bytes.isEmpty())
        return QCoreApplication::applicationDirPath();
    const QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) == bytes)
        return decoded;
    static const int held = ::open(bytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (held < 0)
        return QCoreApplication::applicationDirPath();
    return QStringLiteral("/proc/self/fd/%1").arg(held);
}
#elif !defined(Q_OS_WIN)
QString executableFolder()
{
    return QCoreApplication::applicationDirPath();
}
#endif
} // namespace

QString programFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    static const QString folder = withSlash(executableFolder());
    return folder;
}

QString dataFolder()
{
    return programFolder() + QStringLiteral("Data/");
}

void setProgramFolder(const QString& folder)
{
    overrideFolder() = folder.isEmpty() ? QString() : withSlash(QDir::cleanPath(folder));
}
