#pragma once

#include "DataErrors.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

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
// commit() leaves no temporary file. A temporary file that an earlier save could not remove
// (a folder where files can be made but not deleted) is reused rather than joined by another.
//
// Where no temporary file can be made, or it cannot be renamed over the file (a folder that
// refuses new files, or renames), the file is written in place at commit(). Before any byte is
// touched, a copy of the old content is put beside the data, in "Data/" below the file's folder
// (InPlaceCopyName; the system's temporary folder only where that folder takes no file either).
// The copy records which file it belongs to and its state: the old and new sizes, the time, a
// hash of the old and of the new content and of each small block of the new content. It exists
// exactly while the in-place write has not ended well, also after a kill or a power cut, and the
// next save of the file or the next start (RestoreInterruptedInPlaceWrites) puts the old content
// back, but only onto the torn file it belongs to. The file is first grown to the new size, so a
// full disk fails before any old byte is touched; any later failure writes the old content back.
// Only when that fails too is the file left damaged: the error is then an EFileDamaged naming the
// copy, and SaveFailedText says so. An existing name that is not a regular file (a folder, a
// FIFO, a device) is never written over.
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
    friend class TInterruptedWrite;
    // Puts back the old content kept in `interruptedCopy`, which is removed once the file is whole.
    TSaveFile(const QString& path, qint64 size, const QString& interruptedCopy);
    void startDirect(); // opens the file itself and reads its old content
    void writeInPlace();
    void put(const char* data, qint64 size, bool newSpace, qint64 at = 0);
    [[noreturn]] void fail(const char* message);
    bool discard() noexcept; // whether the old content is whole
    void dropHelpers() noexcept;
    bool restoreOld() noexcept;
    void keepCopyOfOld();
    void writeInPlaceFromTemporary();

    QString m_path;      // the file that ends up with the content
    QString m_target;    // m_path, or the file a symbolic link there points to
    QFile m_file;        // the temporary file, or m_target itself when writing directly
    QString m_temporary; // the temporary file's name, also when it is reused for the old content
    QString m_copy;      // the copy of the old content kept while writing in place
    QByteArray m_old;    // the old content while writing in place
    QByteArray m_new;    // the new content, gathered until commit() writes it in place
    qint64 m_size = 0;
    qint64 m_written = 0;
    qint64 m_oldSize = 0;
    qint64 m_spaceUsed = 0;
    bool m_direct = false;
    bool m_touched = false; // writing in place has changed bytes of the old content
    bool m_done = false;
};

// Where the copy of `path`'s old content is kept while it is written in place: "Data/" below its
// folder (the folder itself when it is that "Data/").
QString InPlaceCopyName(const QString& path);
// An in-place write of `path` that was killed or lost its power (its copy is still there) is
// settled, and what was done is told in one line each (nothing for a write that had ended, whose
// copy is only removed): a torn file of that write gets its old content back; a file still holding
// its old content is left so; a file changed since (a newer one put in place) is never written
// over, and the old content is kept beside it under a name the line gives. A copy that does not
// check out (damaged, or not one of ours) is never used. Every save of a file does this first;
// start-up does it for the program's files.
QStringList RestoreInterruptedInPlaceWrite(const QString& path);
// Writes `old` beside the copy as "<copy>-<time>"; the name, or empty when it could not be written.
QString KeepOldContentAside(const QString& path, const QByteArray& old) noexcept;
QStringList RestoreInterruptedInPlaceWrites(const QString& folder, const QStringList& bareNames);

// The in-place write failed and the old content could not be written back either.
class EFileDamaged : public EFileError
{
public:
    EFileDamaged(const QString& path, QString copy) : EFileError("File may be damaged", path), m_copy(std::move(copy))
    {}
    const QString& copy() const { return m_copy; }

private:
    QString m_copy;
};

// True for the temporary file that a save of `bareName` leaves behind when it is killed.
bool IsSaveFileLeftover(const QString& fileName, const QString& bareName);
// Removes those leftovers of the named files from `folder` (regular files only, nothing
// else); returns how many were removed.
int RemoveSaveFileLeftovers(const QString& folder, const QStringList& bareNames);

// The notice shown when a file the operator expects on disk could not be written; it names the
// file and says that its previous contents are untouched, or, when the last save of that file
// left it damaged, says so and where the copy of its previous contents is.
QString SaveFailedText(const QString& path);

// Writes what the file's buffers hold and waits until the system has it on the disk.
bool syncFileToDisk(QFile& file);

// Test seam standing in for file systems that are hard to make on demand. A value of -1 for
// spaceLeft means no limit: otherwise each save can add at most that many bytes to the disk
// (a full disk). refuseNewFiles makes the folder refuse the temporary file (and any new file);
// failSync fails the flush to the disk; failRename fails the rename over the old file.
// failInPlaceAfter (-1: never) fails an in-place write once that many new bytes went over the
// old ones (an I/O error half-way), or, when a stop is set, calls it there instead (a run killed
// half-way never returns from it); failRestore fails writing the old content back.
struct SaveFileFaults
{
    qint64 spaceLeft = -1;
    bool refuseNewFiles = false;
    bool failSync = false;
    bool failRename = false;
    qint64 failInPlaceAfter = -1;
    bool failRestore = false;
};
SaveFileFaults setSaveFileFaults(SaveFileFaults faults); // returns the previous faults
void setSaveFileStopHalfWay(std::function<void()> stop);
