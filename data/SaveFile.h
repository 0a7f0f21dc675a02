#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so a failure
// at any point leaves the previous file whole and no temporary file behind.
// Throws EFileError: "Cannot create file" when the temporary file cannot be made,
// "Cannot write file" when writing or the rename fails.
void SaveFileAtomically(const QString& path, const QByteArray& bytes);

// Flushes a folder's entries (a new or renamed file's name) to the disk; best effort.
void SyncFolderToDisk(const QString& folder);

// A file of a size known in advance, written piece by piece (a large table is never copied
// into one buffer) with the guarantees of SaveFileAtomically. Every byte is written, flushed
// and synced to the disk before the temporary file "<name>.~tmpXXXXXX" is renamed over the
// file. Until commit() succeeds the old file keeps its content; an object destroyed without
// commit() leaves no temporary file.
//
// A folder that refuses new files (but whose file is writable) is written directly: the file
// is first grown to the new size with zero bytes, so a full disk fails before any old byte is
// touched (the file is then cut back to its old length), and the new content then overwrites
// blocks the file already holds. That path cannot survive a crash half-way, nor a file system
// that needs new blocks to overwrite old ones; it is only taken when no temporary file can be
// made. An existing name that is not a regular file (a folder, a FIFO, a device) is never
// written over.
class TSaveFile
{
public:
    TSaveFile(const QString& path, qint64 size); // throws EFileError
    ~TSaveFile();
    TSaveFile(const TSaveFile&) = delete;
    TSaveFile& operator=(const TSaveFile&) = delete;

    void write(const char* data, qint64 size); // throws EFileError; never more than `size` in all
    void commit();                             // throws EFileError

    bool writesDirectly() const { return m_direct; }

private:
    void put(const char* data, qint64 size, bool newSpace);
    [[noreturn]] void fail(const char* message);
    void discard() noexcept;

    QString m_path;   // the file that ends up with the content
    QString m_target; // m_path, or the file a symbolic link there points to
    QFile m_file;     // the temporary file, or m_target itself when writing directly
    qint64 m_size = 0;
    qint64 m_written = 0;
    qint64 m_oldSize = 0;
    qint64 m_spaceUsed = 0;
    bool m_direct = false;
    bool m_done = false;
};

// True for the temporary file that a save of `bareName` leaves behind when it is killed.
bool IsSaveFileLeftover(const QString& fileName, const QString& bareName);
// Removes those leftovers of the named files from `folder` (regular files only, nothing
// else); returns how many were removed.
int RemoveSaveFileLeftovers(const QString& folder, const QStringList& bareNames);

// The notice shown when a file the operator expects on disk could not be written; it names the
// file and says that its previous contents are untouched.
QString SaveFailedText(const QString& path);

// Test seam standing in for file systems that are hard to make on demand. A value of -1 for
// spaceLeft means no limit: otherwise each save can add at most that many bytes to the disk
// (a full disk). refuseNewFiles makes the folder refuse the temporary file (and any new file);
// failSync fails the flush to the disk; failRename fails the rename over the old file.
struct SaveFileFaults
{
    qint64 spaceLeft = -1;
    bool refuseNewFiles = false;
    bool failSync = false;
    bool failRename = false;
};
SaveFileFaults setSaveFileFaults(SaveFileFaults faults); // returns the previous faults
