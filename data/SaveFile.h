#pragma once

#include "DataErrors.h"

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
// commit() leaves no temporary file. A temporary file that an earlier save could not remove
// (a folder where files can be made but not deleted) is reused rather than joined by another.
//
// Where no temporary file can be made, or it cannot be renamed over the file (a folder that
// refuses new files, or renames), the file is written in place. The old content is then kept
// in memory and, where possible, as a copy in the system's temporary folder (InPlaceCopyName)
// until the new content is on the disk; a write killed half-way is undone from that copy by the
// next save of the file, or at start-up (RestoreInterruptedInPlaceWrites). The file is first
// grown to the new size, so a full disk fails before any old byte is touched; any later failure
// writes the old content back. Only when that fails too is the file left damaged: the error is
// then an EFileDamaged naming the copy, and SaveFailedText says so. An existing name that is not
// a regular file (a folder, a FIFO, a device) is never written over.
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
    friend bool RestoreInterruptedInPlaceWrite(const QString& path);
    // Puts back the old content kept in `interruptedCopy`, which is removed once the file is whole.
    TSaveFile(const QString& path, qint64 size, const QString& interruptedCopy);
    void startDirect(); // opens the file itself, keeps its old content and claims the room
    void put(const char* data, qint64 size, bool newSpace);
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
    qint64 m_size = 0;
    qint64 m_written = 0;
    qint64 m_oldSize = 0;
    qint64 m_spaceUsed = 0;
    bool m_direct = false;
    bool m_touched = false; // writing in place has changed bytes of the old content
    bool m_done = false;
};

// Where the copy of `path`'s old content is kept while it is written in place.
QString InPlaceCopyName(const QString& path);
// An in-place write of `path` that was killed or lost its power (its copy is still there) is
// undone: the old content is written back and the copy removed. True when one was undone. Every
// save of a file does this first; start-up does it for the program's files.
bool RestoreInterruptedInPlaceWrite(const QString& path);
int RestoreInterruptedInPlaceWrites(const QString& folder, const QStringList& bareNames);

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

// Test seam standing in for file systems that are hard to make on demand. A value of -1 for
// spaceLeft means no limit: otherwise each save can add at most that many bytes to the disk
// (a full disk). refuseNewFiles makes the folder refuse the temporary file (and any new file);
// failSync fails the flush to the disk; failRename fails the rename over the old file.
// failInPlaceAfter (-1: never) fails an in-place write once that many new bytes went over the
// old ones (an I/O error half-way); failRestore fails writing the old content back.
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
