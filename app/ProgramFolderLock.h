#pragma once

#include <QLockFile>
#include <QString>

// One copy of the program per program folder: two copies beside each other would write over
// each other's files. The lock is a file in the program folder that names the copy holding it;
// a copy that was killed or lost its power leaves the file behind, and the next start sees that
// its process is gone (or that it was written on another computer, a stick moved) and takes it.
class TProgramFolderLock
{
public:
    explicit TProgramFolderLock(const QString& folder);
    TProgramFolderLock(const TProgramFolderLock&) = delete;
    TProgramFolderLock& operator=(const TProgramFolderLock&) = delete;

    // False only when another running copy holds the folder. A folder that refuses the lock file
    // (read-only, full) cannot be kept apart, and the copy runs.
    bool acquire();

    static QString bareName() { return QStringLiteral("Cekilis.lock"); }
    // The file by which a second copy asks the running one to bring its window to the front.
    static QString frontRequestName() { return QStringLiteral("Cekilis.front"); }
    // Made by a copy that found the folder taken; the running copy watches for it.
    void askHolderToFront();
    static QString alreadyRunningText();

private:
    QLockFile m_lock;
};

// Takes the program folder for this copy; when another copy runs there, says so and returns
// false, and the caller ends.
bool claimProgramFolder(TProgramFolderLock& lock);
