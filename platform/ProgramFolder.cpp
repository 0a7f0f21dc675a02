#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

#ifdef Q_OS_WIN
#include <QFileInfo>
#include <string>
#include <windows.h>
#endif

namespace
{
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
} // namespace

QString programFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
#ifdef Q_OS_WIN
    return withSlash(executableFolder());
#else
    return withSlash(QCoreApplication::applicationDirPath());
#endif
}

QString dataFolder()
{
    return programFolder() + QStringLiteral("Data/");
}

void setProgramFolder(const QString& folder)
{
    overrideFolder() = folder.isEmpty() ? QString() : withSlash(QDir::cleanPath(folder));
}
