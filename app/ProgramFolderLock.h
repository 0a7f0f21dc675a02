#pragma once

#include <QString>
#include <QStringList>

// One copy of the program per program folder: two copies beside each other would write over
// each other's files. The lock is a file in the program folder that the running copy holds open
// under the system's own file lock, and in which it names itself. Only that hold counts: a copy
// that was killed or lost its power releases it with its process, so a lock file left behind
// (empty, garbage, naming a process that is gone or a copy in another folder, written on another
// computer) never keeps the folder. Where the folder refuses the lock file (it takes no new
// files), the lock is held in "Data/" below it, or else in the system's temporary folder under a
// name made from the folder's path: every copy of that folder looks in the same places in the
// same order, so the folder is still kept apart.
class TProgramFolderLock
{
public:
    explicit TProgramFolderLock(const QString& folder);
    ~TProgramFolderLock();
    TProgramFolderLock(const TProgramFolderLock&) = delete;
    TProgramFolderLock& operator=(const TProgramFolderLock&) = delete;

    // False only when another running copy holds the folder. Where no lock can be held at all,
    // the folder cannot be kept apart, and the copy runs.
    bool acquire();
    // The lock file held, or the one a running copy holds when acquire() said false.
    const QString& fileName() const { return m_fileName; }

    static QString bareName() { return QStringLiteral("Cekilis.lock"); }
    // The file by which a second copy asks the running one to bring its window to the front.
    static QString frontRequestName() { return QStringLiteral("Cekilis.front"); }
    // Made by a copy that found the folder taken; the running copy watches for it.
    void askHolderToFront();
    // The places tried for the lock of `folder`, in order.
    static QStringList candidates(const QString& folder);
    static QString alreadyRunningText(const QString& lockFile);

private:
    enum class Hold
    {
        Held,
        Busy,    // a running copy holds it
        Refused, // no lock file can be opened here
    };
    Hold hold(const QString& path);
    void release() noexcept;

    QString m_folder;
    QString m_fileName;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

// Takes the program folder for this copy; when another copy runs there, says so (naming the lock
// file) and returns false, and the caller ends.
bool claimProgramFolder(TProgramFolderLock& lock);
