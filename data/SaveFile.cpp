#include "SaveFile.h"

#include "DataErrors.h"

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
