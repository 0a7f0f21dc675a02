#include "SaveFile.h"

#include "DataErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
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

bool renameOver(const QString& from, const QString& to)
{
    if (faults().failRename)
        return false;
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}
} // namespace

TSaveFile::TSaveFile(const QString& path, qint64 size) : m_path(path), m_target(path), m_size(size)
{
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        m_target = info.symLinkTarget();
    const bool exists = info.exists();
    // Checked before anything is opened: opening a FIFO would wait for a writer.
    if (exists && !QFileInfo(m_target).isFile())
        throw EFileError("Cannot write file", path);

    const bool newFilesRefused = faults().refuseNewFiles;
    for (int attempt = 0; !newFilesRefused && attempt < 8; ++attempt)
    {
        m_file.setFileName(temporaryName(m_target));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        {
            if (exists)
                m_file.setPermissions(QFile::permissions(m_target));
            return;
        }
        if (m_file.error() != QFileDevice::OpenError || !QFileInfo::exists(m_file.fileName()))
            break; // not a name clash: the folder refuses the file
    }
    if (!exists)
        throw EFileError("Cannot create file", path);

    m_direct = true;
    m_file.setFileName(m_target);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        throw EFileError("Cannot create file", path);
    m_oldSize = m_file.size();
    if (m_size > m_oldSize)
    {
        // Claim the room first: a full disk then fails while the old content is untouched.
        const QByteArray zeros(static_cast<qsizetype>(std::min(kZeroBlock, m_size - m_oldSize)), '\0');
        if (!m_file.seek(m_oldSize))
            fail("Cannot write file");
        for (qint64 left = m_size - m_oldSize; left > 0; left -= zeros.size())
            put(zeros.constData(), std::min<qint64>(left, zeros.size()), true);
        if (!m_file.seek(0))
            fail("Cannot write file");
    }
}

TSaveFile::~TSaveFile()
{
    discard();
}

void TSaveFile::discard() noexcept
{
    if (m_done)
        return;
    m_done = true;
    if (m_direct)
    {
        // Only the room claimed beyond the old end can be given back; bytes already
        // overwritten stay overwritten.
        if (m_written == 0 && m_file.isOpen())
            m_file.resize(m_oldSize);
        m_file.close();
    }
    else
    {
        m_file.close();
        m_file.remove();
    }
}

void TSaveFile::fail(const char* message)
{
    discard();
    throw EFileError(message, m_path);
}

void TSaveFile::put(const char* data, qint64 size, bool newSpace)
{
    qint64 allowed = size;
    const qint64 limit = faults().spaceLeft;
    if (newSpace && limit >= 0)
        allowed = std::clamp<qint64>(limit - m_spaceUsed, 0, size);
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

void TSaveFile::commit()
{
    if (m_done || m_written != m_size)
        fail("Cannot write file");
    if (m_direct && m_oldSize > m_size && !m_file.resize(m_size))
        fail("Cannot write file");
    if (!syncToDisk(m_file))
        fail("Cannot write file");
    // Closing reports what the system could only tell at the end (a network share, a quota).
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        fail("Cannot write file");
    if (!m_direct && !renameOver(m_file.fileName(), m_target))
        fail("Cannot write file");
    if (!m_direct)
        SyncFolderToDisk(QFileInfo(m_target).absolutePath());
    m_done = true;
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
    return QStringLiteral("\"%1\" dosyası kaydedilemedi. Disk dolu, klasör yazmaya kapalı ya da dosya kullanımda "
                          "olabilir. Dosyanın önceki hali olduğu gibi duruyor.")
        .arg(QDir::toNativeSeparators(path));
}

SaveFileFaults setSaveFileFaults(SaveFileFaults faults_)
{
    return std::exchange(faults(), faults_);
}
