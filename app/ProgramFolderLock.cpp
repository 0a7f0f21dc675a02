#include "ProgramFolderLock.h"

#include "DataErrors.h"
#include "Messages.h"
#include "SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

TProgramFolderLock::TProgramFolderLock(const QString& folder) : m_lock(QDir(folder).filePath(bareName()))
{
    // The lock is stale only when its copy is gone: an evening holds it for hours.
    m_lock.setStaleLockTime(0);
}

bool TProgramFolderLock::acquire()
{
    if (m_lock.tryLock(0))
        return true;
    if (m_lock.error() != QLockFile::LockFailedError)
        return true;
    // The process of a lock written on another computer cannot be asked after; the folder is on
    // a stick or a share that only this computer uses now.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application) && !host.isEmpty() && host != QSysInfo::machineHostName() &&
        m_lock.removeStaleLockFile())
        return m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError;
    return false;
}

void TProgramFolderLock::askHolderToFront()
{
#ifdef Q_OS_WIN
    // The copy the operator just started may hand the foreground to the running one.
    AllowSetForegroundWindow(ASFW_ANY);
#endif
    const QFileInfo lockFile(m_lock.fileName());
    try
    {
        SaveFileAtomically(lockFile.dir().filePath(frontRequestName()), QByteArray());
    }
    catch (const EFileError&)
    {
        // A folder that takes no file cannot pass the request on; the notice still says it all.
    }
}

QString TProgramFolderLock::alreadyRunningText()
{
    return QStringLiteral("Çekiliş programı bu klasörde zaten çalışıyor. İki kopya aynı dosyaları birbirinin üzerine "
                          "yazacağından bu kopya kapanacak; açık olan programı kullanınız.");
}

bool claimProgramFolder(TProgramFolderLock& lock)
{
    if (lock.acquire())
        return true;
    lock.askHolderToFront();
    ShowBilgi(TProgramFolderLock::alreadyRunningText());
    return false;
}
