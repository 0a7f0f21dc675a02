#include "SaveFile.h"

#include "DataErrors.h"

#include <QCryptographicHash>
#include <QDateTime>
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

std::function<void()>& stopHalfWay()
{
    static std::function<void()> stop;
    return stop;
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
    return !faults().failSync && syncFileToDisk(file);
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

const QString kDataFolder = QStringLiteral("Data");
const QString kCopyMark = QStringLiteral(".onceki");
const QByteArray kCopyMagic = QByteArrayLiteral("CEKILIS-ONCEKI 1\n");
constexpr qint64 kCopyHeaderMax = 64 * 1024;
// A copy is read whole to be checked; none of the program's files comes near this (the largest
// participant file the start reads is 352 MB).
constexpr qint64 kCopyMax = qint64(512) << 20;
// The new content is recorded block by block, so a torn file can be told from any other: each of
// its blocks is either the new content's or still the old one's (a power cut leaves the pages the
// disk had reached, in any order).
constexpr qint64 kDigestBlock = 512;
constexpr qint64 kDigestSize = 8;

// Where the copy goes when "Data/" takes no file, named from the file's full path.
QString temporaryCopyName(const QString& path)
{
    const QFileInfo target(path);
    const QByteArray key =
        QCryptographicHash::hash(target.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("cekilis-onceki-%1-%2").arg(QString::fromLatin1(key), target.fileName()));
}

// FNV-1a: fixed for good, so a copy made by one build is checked the same way by the next.
quint64 blockDigest(const char* data, qint64 size)
{
    quint64 h = 14695981039346656037ull;
    for (qint64 i = 0; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
    return h;
}

qint64 digestBlocks(qint64 size)
{
    return (size + kDigestBlock - 1) / kDigestBlock;
}

QByteArray blockDigests(const QByteArray& content)
{
    QByteArray digests;
    digests.reserve(digestBlocks(content.size()) * kDigestSize);
    for (qint64 at = 0; at < content.size(); at += kDigestBlock)
    {
        quint64 h = blockDigest(content.constData() + at, std::min(kDigestBlock, content.size() - at));
        for (int i = 0; i < kDigestSize; ++i, h >>= 8)
            digests.append(static_cast<char>(h & 0xFF));
    }
    return digests;
}

QByteArray sha1Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QByteArray isoTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs).toLatin1();
}

// The copy's header: lines of "key=value", an empty line, then the new content's block digests
// and the old content.
QByteArray copyHeader(const QString& path, const QByteArray& old, const QDateTime& oldTime, const QByteArray& fresh)
{
    QByteArray h = kCopyMagic;
    h += "file=" + QFileInfo(path).absoluteFilePath().toUtf8() + '\n';
    h += "old-size=" + QByteArray::number(old.size()) + '\n';
    h += "old-time=" + isoTime(oldTime) + '\n';
    h += "old-sha1=" + sha1Hex(old) + '\n';
    h += "new-size=" + QByteArray::number(fresh.size()) + '\n';
    h += "new-sha1=" + sha1Hex(fresh) + '\n';
    h += "started=" + isoTime(QDateTime::currentDateTimeUtc()) + '\n';
    return h + '\n';
}

// A helper file (the copy of an old content) beside the data: written under a temporary name and
// named only once it is whole and on the disk. Made with its folder where that is missing.
bool writeWhole(const QString& name, std::initializer_list<QByteArray> pieces) noexcept
{
    const QFileInfo info(name);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QTemporaryFile file(info.absoluteFilePath() + QStringLiteral("-XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return false;
    bool written = true;
    for (const QByteArray& piece : pieces)
        written = written && file.write(piece) == piece.size();
    if (written && file.flush() && syncToDisk(file) && (!QFileInfo::exists(name) || QFile::remove(name)) &&
        file.rename(name))
    {
        SyncFolderToDisk(info.absolutePath());
        return true;
    }
    file.remove();
    return false;
}

// A temporary file that cannot be removed is emptied instead: it holds nothing, and the next
// save of the same file takes it up again.
void removeOrEmpty(const QString& path)
{
    if (!QFile::remove(path))
        QFile(path).resize(0);
}
} // namespace

// One copy found beside a file at start-up (or before a save), checked against the file.
class TInterruptedWrite
{
public:
    TInterruptedWrite(QString path, QString copy) : m_path(std::move(path)), m_copyName(std::move(copy)) {}
    QString settle(); // the line telling what was done; empty when there is nothing to tell

private:
    bool readCopy();
    bool isTornFile(const QByteArray& now) const;
    QString when() const;
    QString keepOldAside();

    QString m_path;
    QString m_copyName;
    QByteArray m_oldDigest, m_newDigest, m_blocks, m_old;
    qint64 m_newSize = -1;
    QDateTime m_started;
};

bool TInterruptedWrite::readCopy()
{
    QFile copy(m_copyName);
    if (copy.size() > kCopyMax || !copy.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = copy.peek(kCopyHeaderMax);
    const qsizetype end = head.indexOf("\n\n");
    if (!head.startsWith(kCopyMagic) || end < 0)
        return false;
    qint64 oldSize = -1;
    QString file;
    for (const QByteArray& line : head.first(end).split('\n'))
    {
        const qsizetype eq = line.indexOf('=');
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        if (key == "file")
            file = QString::fromUtf8(value);
        else if (key == "old-size")
            oldSize = value.toLongLong();
        else if (key == "old-sha1")
            m_oldDigest = value;
        else if (key == "new-size")
            m_newSize = value.toLongLong();
        else if (key == "new-sha1")
            m_newDigest = value;
        else if (key == "started")
            m_started = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
    }
    // Whose copy it is: the same file name (the folder may have moved with its stick).
    if (QFileInfo(file).fileName() != QFileInfo(m_path).fileName() || oldSize < 0 || m_newSize < 0 ||
        m_newSize > kCopyMax)
        return false;
    const qint64 blocksSize = digestBlocks(m_newSize) * kDigestSize;
    if (copy.size() != end + 2 + blocksSize + oldSize || !copy.seek(end + 2))
        return false;
    m_blocks = copy.read(blocksSize);
    m_old = copy.read(oldSize);
    return m_blocks.size() == blocksSize && m_old.size() == oldSize && sha1Hex(m_old) == m_oldDigest;
}

// Every block of the file is the new content's or still what was there before: the old content,
// or the zeros that claimed the room beyond it.
bool TInterruptedWrite::isTornFile(const QByteArray& now) const
{
    const qint64 oldSize = m_old.size();
    if (now.size() < oldSize || now.size() > std::max(oldSize, m_newSize))
        return false;
    for (qint64 at = 0; at < now.size(); at += kDigestBlock)
    {
        const qint64 end = std::min(at + kDigestBlock, now.size());
        const qint64 newEnd = std::min(at + kDigestBlock, m_newSize);
        qint64 before = at; // from here on the block must hold what was there before
        if (at < m_newSize && newEnd <= end)
        {
            quint64 h = blockDigest(now.constData() + at, newEnd - at);
            bool fresh = true;
            for (qint64 i = 0; i < kDigestSize; ++i, h >>= 8)
                fresh = fresh && static_cast<char>(h & 0xFF) == m_blocks[(at / kDigestBlock) * kDigestSize + i];
            if (fresh)
                before = newEnd;
        }
        for (qint64 i = before; i < end; ++i)
            if (now[i] != (i < oldSize ? m_old[i] : '\0'))
                return false;
    }
    return true;
}

static QString asideName(const QString& path)
{
    const QString stem = QFileInfo(InPlaceCopyName(path)).absoluteFilePath() + QLatin1Char('-') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + QStringLiteral("_%1").arg(n);
    return aside;
}

QString KeepOldContentAside(const QString& path, const QByteArray& old) noexcept
{
    const QString aside = asideName(path);
    return writeWhole(aside, {old}) ? aside : QString();
}

QString TInterruptedWrite::when() const
{
    return m_started.isValid() ? m_started.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))
                               : QStringLiteral("?");
}

// The old content is kept beside the copy under a name of its own, as plain bytes; where that
// cannot be written, the copy itself takes the name.
QString TInterruptedWrite::keepOldAside()
{
    if (const QString aside = KeepOldContentAside(m_path, m_old); !aside.isEmpty())
    {
        QFile::remove(m_copyName);
        return aside;
    }
    const QString aside = asideName(m_path);
    return QFile::rename(m_copyName, aside) ? aside : m_copyName;
}

QString TInterruptedWrite::settle()
{
    const QString shown = QDir::toNativeSeparators(m_path);
    if (!readCopy())
    {
        // Not one of ours, or damaged: never put over the file, and put out of the way.
        const QString aside = m_copyName + QStringLiteral("-kullanilmadi");
        const QString kept = !QFileInfo::exists(aside) && QFile::rename(m_copyName, aside) ? aside : m_copyName;
        return QStringLiteral(
                   "\"%1\" için bulunan kaydetme kopyası \"%2\" tanınmadı; kullanılmadı, dosyaya dokunulmadı.")
            .arg(shown, QDir::toNativeSeparators(kept));
    }
    const QFileInfo info(m_path);
    QByteArray now;
    bool readable = false;
    if (info.isFile() && info.size() <= std::max<qint64>(m_old.size(), m_newSize))
    {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
        {
            now = file.read(std::max<qint64>(m_old.size(), m_newSize) + 1);
            readable = file.error() == QFileDevice::NoError;
        }
    }
    if (readable && now.size() == m_newSize && sha1Hex(now) == m_newDigest)
    {
        QFile::remove(m_copyName); // the write had ended; only its copy was left
        return QString();
    }
    if (readable && now == m_old)
    {
        QFile::remove(m_copyName);
        return QStringLiteral("\"%1\" dosyasının %2 kaydı yarıda kesilmişti; dosyaya yazılmadan kesildiği için önceki "
                              "hali olduğu gibi duruyor, o kayıttaki değişiklikler dosyada yok.")
            .arg(shown, when());
    }
    if (readable && isTornFile(now))
    {
        try
        {
            TSaveFile file(m_path, m_old.size(), m_copyName);
            file.write(m_old.constData(), m_old.size());
            file.commit();
            return QStringLiteral("\"%1\" dosyasının %2 kaydı yarıda kesilmişti; yarım kalan dosya kaydetmeden önceki "
                                  "haline geri getirildi, o kayıttaki değişiklikler dosyada yok.")
                .arg(shown, when());
        }
        catch (const EFileError&)
        {
            return QStringLiteral("\"%1\" dosyasının %2 kaydı yarıda kesilmişti ve önceki hali geri yazılamadı; dosya "
                                  "yarım olabilir. Önceki halinin kopyası: \"%3\".")
                .arg(shown, when(), QDir::toNativeSeparators(m_copyName));
        }
    }
    // The file is not the one the interrupted write left: a newer one was put in place.
    const QString aside = keepOldAside();
    return QStringLiteral("\"%1\" dosyası %2 tarihli yarıda kalan kaydından sonra değiştirilmiş; olduğu gibi "
                          "bırakıldı. Kaydetmeden önceki hali \"%3\" dosyasında.")
        .arg(shown, when(), QDir::toNativeSeparators(aside));
}

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
}

// The copy is made, the room claimed and the new content written over the old, from the start on.
void TSaveFile::writeInPlace()
{
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
    for (qint64 at = 0; at < m_size; at += kZeroBlock)
        put(m_new.constData() + at, std::min(kZeroBlock, m_size - at), false, at);
    if (m_oldSize > m_size && !m_file.resize(m_size))
        fail("Cannot write file");
}

QString InPlaceCopyName(const QString& path)
{
    const QFileInfo target(path);
    QDir folder = target.absoluteDir();
    if (folder.dirName().compare(kDataFolder, Qt::CaseInsensitive) != 0)
        folder.setPath(folder.filePath(kDataFolder));
    return folder.filePath(target.fileName() + kCopyMark);
}

// Best effort: the copy is what the operator is pointed to if the old content cannot be put back.
// It takes its name only once it is whole and on the disk.
void TSaveFile::keepCopyOfOld()
{
    if (!m_copy.isEmpty())
        return; // putting back an interrupted write: its copy stays until the file is whole
    const QByteArray header = copyHeader(m_path, m_old, QFileInfo(m_target).lastModified(), m_new);
    const QByteArray blocks = blockDigests(m_new);
    for (const QString& name : {InPlaceCopyName(m_path), temporaryCopyName(m_path)})
        if (writeWhole(name, {header, blocks, m_old}))
        {
            m_copy = name;
            return;
        }
}

QStringList RestoreInterruptedInPlaceWrite(const QString& path)
{
    QStringList told;
    for (const QString& copy : {InPlaceCopyName(path), temporaryCopyName(path)})
    {
        const QFileInfo info(copy);
        // Only a regular file of ours: a link or device named like a copy is never read.
        if (info.isSymLink() || !info.isFile())
            continue;
        const QString line = TInterruptedWrite(path, copy).settle();
        if (!line.isEmpty())
            told << line;
    }
    return told;
}

QStringList RestoreInterruptedInPlaceWrites(const QString& folder, const QStringList& bareNames)
{
    QStringList told;
    for (const QString& bare : bareNames)
        told << RestoreInterruptedInPlaceWrite(QDir(folder).filePath(bare));
    return told;
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
    return syncFileToDisk(m_file);
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
        // The checked copy stays for the next start; the operator is pointed to the plain bytes.
        const QString aside = KeepOldContentAside(m_path, m_old);
        damagedFiles().insert(m_path, aside.isEmpty() ? m_copy : aside);
        m_copy = damagedFiles().value(m_path);
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

void TSaveFile::put(const char* data, qint64 size, bool newSpace, qint64 at)
{
    qint64 allowed = size;
    const qint64 limit = faults().spaceLeft;
    if (newSpace && limit >= 0)
        allowed = std::clamp<qint64>(limit - m_spaceUsed, 0, size);
    if (!newSpace && m_direct)
    {
        m_touched = true;
        if (const qint64 cut = faults().failInPlaceAfter; cut >= 0)
            allowed = std::clamp<qint64>(cut - at, 0, allowed);
    }
    if (newSpace)
        m_spaceUsed += allowed;
    if (allowed > 0 && m_file.write(data, allowed) != allowed)
        fail("Cannot write file");
    if (allowed != size && !newSpace && stopHalfWay())
        stopHalfWay()();
    if (allowed != size)
        fail("Cannot write file");
}

void TSaveFile::write(const char* data, qint64 size)
{
    if (m_done || size > m_size - m_written)
        fail("Cannot write file");
    if (m_direct)
        m_new.append(data, size); // written over the old content only once it is whole
    else
        put(data, size, true);
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
    m_spaceUsed = 0;
    startDirect();
    m_new = content;
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
    writeInPlace();
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

void setSaveFileStopHalfWay(std::function<void()> stop)
{
    stopHalfWay() = std::move(stop);
}

bool syncFileToDisk(QFile& file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}
