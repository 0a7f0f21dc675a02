#include "SaveFile.h"

#include "DataErrors.h"

#include <QDir>
#include <QSaveFile>

void SaveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError("Cannot create file", path);
    if (file.write(bytes) != bytes.size())
    {
        file.cancelWriting();
        throw EFileError("Cannot write file", path);
    }
    if (!file.commit())
        throw EFileError("Cannot write file", path);
}

QString SaveFailedText(const QString& path)
{
    return QStringLiteral("\"%1\" dosyası kaydedilemedi. Disk dolu, klasör yazmaya kapalı ya da dosya kullanımda "
                          "olabilir. Dosyanın önceki hali olduğu gibi duruyor.")
        .arg(QDir::toNativeSeparators(path));
}
