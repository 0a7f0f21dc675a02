#pragma once

#include "ProgramFolder.h"

#include <QString>
#include <QTemporaryDir>

// An empty temporary folder that stands as the program folder for the lifetime of the
// object; the real folder is restored (and the temporary one removed) afterwards.
class TemporaryProgramFolder
{
public:
    TemporaryProgramFolder()
    {
        if (m_dir.isValid())
            setProgramFolder(m_dir.path());
    }
    ~TemporaryProgramFolder() { setProgramFolder(QString()); }
    TemporaryProgramFolder(const TemporaryProgramFolder&) = delete;
    TemporaryProgramFolder& operator=(const TemporaryProgramFolder&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& bareName) const { return m_dir.filePath(bareName); }

private:
    QTemporaryDir m_dir;
};
