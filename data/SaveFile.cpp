#include "SaveFile.h"

#include "DataErrors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <algorithm>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
const QString kLeftoverMark = QStringLiteral(".~tmp");
constexpr int kLeftoverRandom = 6;
constexpr qint64 kZeroBlock = 64 * 1024;

SaveFileFaults& faults()
{
    static SaveFileFaults current;
    return current;
}

QString temporaryName(const QString& target)
{
    static const char letters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString name = target + kLeftoverMark;
    for (int i = 0; i < kLeftoverRandom; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(36)]);
    return name;
}

bool syncToDisk(QFile& file)
{
    if (faults().failSync)
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

enum class RenameResult
{
    Done,
    Refused, // the folder does not let the file be replaced by another (append-only, no rights)
    Failed,
};

RenameResult renameOver(const QString& from, const QString& to)
{
    if (faults().failRename)
        return RenameResult::Failed;
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return RenameResult::Done;
    return GetLastError() == ERROR_ACCESS_DENIED ? RenameResult::Refused : RenameResult::Failed;
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return RenameResult::Done;
    return errno == EPERM || errno == EACCES ? RenameResult::Refused : RenameResult::Failed;
#endif
}

// Files whose last save failed half-way in place and could not be put back, with the copy of
// their old content (empty when none could be made).
QHash<QString, QString>& damagedFiles()
{
    static QHash<QString, QString> files;
    return files;
}

// A temporary file that cannot be removed is emptied instead: it holds nothing, and the next
// save of the same file takes it up again.
void removeOrEmpty(const QString& path)
{
    if (!QFile::remove(path))
        QFile(path).resize(0);
}
} // namespace

TSaveFile::TSaveFile(const QString& path, qint64 size) : TSaveFile(path, size, QString())
{}

TSaveFile::TSaveFile(const QString& path, qint64 size, const QString& interruptedCopy)
    : m_path(path), m_target(path), m_copy(interruptedCopy), m_size(size)
{
    // An earlier in-place write of this file that never ended is undone first.
    if (m_copy.isEmpty())
        RestoreInterruptedInPlaceWrite(path);
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        m_target = info.symLinkTarget();
    const bool exists = info.exists();
    // Checked before anything is opened: opening a FIFO would wait for a writer.
    if (exists && !QFileInfo(m_target).isFile())
        throw EFileError("Cannot write file", path);

    const bool newFilesRefused = faults().refuseNewFiles;
    if (!newFilesRefused)
    {
        const QFileInfo target(m_target);
        const QFileInfoList entries = target.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo& entry : entries)
        {
            if (entry.isSymLink() || !IsSaveFileLeftover(entry.fileName(), target.fileName()))
                continue;
            m_file.setFileName(entry.filePath());
            if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            {
                m_temporary = m_file.fileName();
                if (exists)
                    m_file.setPermissions(QFile::permissions(m_target));
                return;
            }
        }
    }
    for (int attempt = 0; !newFilesRefused && attempt < 8; ++attempt)
    {
        m_file.setFileName(temporaryName(m_target));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        {
            m_temporary = m_file.fileName();
            if (exists)
                m_file.setPermissions(QFile::permissions(m_target));
            return;
        }
        if (m_file.error() != QFileDevice::OpenError || !QFileInfo::exists(m_file.fileName()))
            break; // not a name clash: the folder refuses the file
    }
    if (!exists)
        throw EFileError("Cannot create file", path);
    startDirect();
}

void TSaveFile::startDirect()
{
    m_direct = true;
    m_file.setFileName(m_target);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        throw EFileError("Cannot create file", m_path);
    // What cannot be read back cannot be put back: such a file is not written in place.
    m_oldSize = m_file.size();
    m_old = m_file.readAll();
    if (m_old.size() != m_oldSize)
        fail("Cannot write file");
    keepCopyOfOld();
    if (m_size > m_oldSize)
    {
        // Claim the room first: a full disk then fails while the old content is untouched.
        const QByteArray zeros(static_cast<qsizetype>(std::min(kZeroBlock, m_size - m_oldSize)), '\0');
        if (!m_file.seek(m_oldSize))
            fail("Cannot write file");
        for (qint64 left = m_size - m_oldSize; left > 0; left -= zeros.size())
            put(zeros.constData(), std::min<qint64>(left, zeros.size()), true);
    }
    if (!m_file.seek(0))
        fail("Cannot write file");
}

// The copy of a file's old content while it is written in place, in the system's temporary
// folder (the file's own folder refuses new files or renames), under a name made from the file's
// full path: it exists exactly while an in-place write of that file has not ended well, also after
// a kill or a power cut, so the next start can put the old content back.
QString InPlaceCopyName(const QString& path)
{
    const QFileInfo target(path);
    const QByteArray key =
        QCryptographicHash::hash(target.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("cekilis-onceki-%1-%2").arg(QString::fromLatin1(key), target.fileName()));
}

// Best effort: the copy is what the operator is pointed to if the old content cannot be put back.
// It takes its name only once it is whole and on the disk.
void TSaveFile::keepCopyOfOld()
{
    if (!m_copy.isEmpty())
        return; // putting back an interrupted write: its copy stays until the file is whole
    QTemporaryFile copy(QDir(QDir::tempPath()).filePath(QStringLiteral("cekilis-onceki-XXXXXX")));
    copy.setAutoRemove(false);
    if (!copy.open())
        return;
    const QString name = InPlaceCopyName(m_path);
    if (copy.write(m_old) == m_old.size() && copy.flush() && syncToDisk(copy) &&
        (!QFileInfo::exists(name) || QFile::remove(name)) && copy.rename(name))
        m_copy = name;
    else
        copy.remove();
}

bool RestoreInterruptedInPlaceWrite(const QString& path)
{
    const QString copyName = InPlaceCopyName(path);
    QFile copy(copyName);
    if (!copy.exists() || !copy.open(QIODevice::ReadOnly))
        return false;
    const QByteArray old = copy.readAll();
    copy.close();
    try
    {
        TSaveFile file(path, old.size(), copyName);
        file.write(old.constData(), old.size());
        file.commit();
        return true;
    }
    catch (const EFileError&)
    {
        return false;
    }
}

int RestoreInterruptedInPlaceWrites(const QString& folder, const QStringList& bareNames)
{
    int restored = 0;
    for (const QString& bare : bareNames)
        restored += RestoreInterruptedInPlaceWrite(QDir(folder).filePath(bare)) ? 1 : 0;
    return restored;
}

TSaveFile::~TSaveFile()
{
    discard();
}

bool TSaveFile::restoreOld() noexcept
{
    if (faults().failRestore)
        return false;
    if (!m_file.isOpen() && !m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    if (!m_file.seek(0) || m_file.write(m_old) != m_old.size() || !m_file.resize(m_oldSize))
        return false;
#ifdef Q_OS_WIN
    return _commit(m_file.handle()) == 0;
#else
    return ::fsync(m_file.handle()) == 0;
#endif
}

// Returns whether the old content is whole.
bool TSaveFile::discard() noexcept
{
    if (m_done)
        return true;
    m_done = true;
    if (!m_direct)
    {
        m_file.close();
        removeOrEmpty(m_file.fileName());
        return true;
    }
    bool intact = true;
    if (m_touched)
        intact = restoreOld();
    else if (m_file.isOpen())
        m_file.resize(m_oldSize); // only the room claimed beyond the old end is given back
    m_file.close();
    if (!intact)
    {
        damagedFiles().insert(m_path, m_copy);
        return false;
    }
    dropHelpers();
    return true;
}

// The copy of the old content and the temporary file are not needed once the file is whole.
void TSaveFile::dropHelpers() noexcept
{
    for (const QString& helper : {m_copy, m_temporary})
        if (!helper.isEmpty() && QFileInfo::exists(helper))
            removeOrEmpty(helper);
}

void TSaveFile::fail(const char* message)
{
    if (!discard())
        throw EFileDamaged(m_path, m_copy);
    throw EFileError(message, m_path);
}

void TSaveFile::put(const char* data, qint64 size, bool newSpace)
{
    qint64 allowed = size;
    const qint64 limit = faults().spaceLeft;
    if (newSpace && limit >= 0)
        allowed = std::clamp<qint64>(limit - m_spaceUsed, 0, size);
    if (!newSpace && m_direct)
    {
        m_touched = true;
        if (const qint64 cut = faults().failInPlaceAfter; cut >= 0)
            allowed = std::clamp<qint64>(cut - m_written, 0, allowed);
    }
    if (newSpace)
        m_spaceUsed += allowed;
    if (allowed > 0 && m_file.write(data, allowed) != allowed)
        fail("Cannot write file");
    if (allowed != size)
        fail("Cannot write file");
}

void TSaveFile::write(const char* data, qint64 size)
{
    if (m_done || size > m_size - m_written)
        fail("Cannot write file");
    put(data, size, !m_direct);
    m_written += size;
}

// The folder let the temporary file be made but not renamed over the file: the new content,
// complete in the temporary file, is written in place, and the temporary file holds the old
// content meanwhile.
void TSaveFile::writeInPlaceFromTemporary()
{
    QFile temporary(m_temporary);
    if (!temporary.open(QIODevice::ReadOnly))
        fail("Cannot write file");
    const QByteArray content = temporary.readAll();
    temporary.close();
    if (content.size() != m_size)
        fail("Cannot write file");
    m_written = 0;
    m_spaceUsed = 0;
    startDirect();
    put(content.constData(), content.size(), false);
    m_written = content.size();
}

void TSaveFile::commit()
{
    if (m_done || m_written != m_size)
        fail("Cannot write file");
    if (!m_direct)
    {
        if (!syncToDisk(m_file))
            fail("Cannot write file");
        // Closing reports what the system could only tell at the end (a network share, a quota).
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            fail("Cannot write file");
        const RenameResult renamed = renameOver(m_file.fileName(), m_target);
        if (renamed == RenameResult::Failed)
            fail("Cannot write file");
        if (renamed == RenameResult::Done)
        {
            SyncFolderToDisk(QFileInfo(m_target).absolutePath());
            m_done = true;
            damagedFiles().remove(m_path);
            dropHelpers();
            return;
        }
        writeInPlaceFromTemporary();
    }
    if (m_oldSize > m_size && !m_file.resize(m_size))
        fail("Cannot write file");
    if (!syncToDisk(m_file))
        fail("Cannot write file");
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        fail("Cannot write file");
    m_done = true;
    damagedFiles().remove(m_path);
    dropHelpers();
}

// A file's new name is on the disk only once its folder is; NTFS keeps the name with the file's
// own flush.
void SyncFolderToDisk(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder)
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const int synced = ::fsync(fd);
    ::close(fd);
#endif
}

void SaveFileAtomically(const QString& path, const QByteArray& bytes)
{
    TSaveFile file(path, bytes.size());
    file.write(bytes.constData(), bytes.size());
    file.commit();
}

bool IsSaveFileLeftover(const QString& fileName, const QString& bareName)
{
    const qsizetype stem = bareName.size() + kLeftoverMark.size();
    if (fileName.size() != stem + kLeftoverRandom || !fileName.startsWith(bareName) ||
        QStringView(fileName).sliced(bareName.size(), kLeftoverMark.size()) != kLeftoverMark)
        return false;
    return std::all_of(fileName.cbegin() + stem, fileName.cend(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z'); });
}

int RemoveSaveFileLeftovers(const QString& folder, const QStringList& bareNames)
{
    int removed = 0;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
    {
        if (entry.isSymLink() || !entry.isFile())
            continue;
        for (const QString& bare : bareNames)
            if (IsSaveFileLeftover(entry.fileName(), bare) && QFile::remove(entry.filePath()))
                ++removed;
    }
    return removed;
}

QString SaveFailedText(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const auto damaged = damagedFiles().constFind(path);
    if (damaged == damagedFiles().cend())
        return QStringLiteral("\"%1\" dosyası kaydedilemedi. Disk dolu, klasör yazmaya kapalı ya da dosya kullanımda "
                              "olabilir. Dosyanın önceki hali olduğu gibi duruyor.")
            .arg(shown);
    if (damaged->isEmpty())
        return QStringLiteral("\"%1\" dosyası kaydedilemedi ve yarım yazılmış olabilir; önceki hali geri "
                              "yazılamadı ve kopyası alınamadı. Dosyayı kontrol ediniz.")
            .arg(shown);
    return QStringLiteral("\"%1\" dosyası kaydedilemedi ve yarım yazılmış olabilir; önceki hali geri yazılamadı. "
                          "Önceki halinin kopyası: \"%2\".")
        .arg(shown, QDir::toNativeSeparators(*damaged));
}

SaveFileFaults setSaveFileFaults(SaveFileFaults faults_)
{
    return std::exchange(faults(), faults_);
}
