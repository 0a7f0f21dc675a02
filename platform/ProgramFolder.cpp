#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace
{
QString& overrideFolder()
{
    static QString folder;
    return folder;
}

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
    return withSlash(QCoreApplication::applicationDirPath());
}

QString dataFolder()
{
    return programFolder() + QStringLiteral("Data/");
}

void setProgramFolder(const QString& folder)
{
    overrideFolder() = folder.isEmpty() ? QString() : withSlash(QDir::cleanPath(folder));
}
