#include "TableFiles.h"

#include "EAbort.h"
#include "Messages.h"
#include "SaveFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {
// Records are read and written in blocks of about this many bytes.
constexpr qint64 kBlockBytes = 1 << 20;
} // namespace

namespace {
// Table files that could not be read in this run, with the name each is kept under before
// anything is written over it.
QHash<QString, QString>& unreadableFiles()
{
    static QHash<QString, QString> files;
    return files;
}

// Of those, the ones refused for holding more records than their table takes: records, limit.
QHash<QString, std::pair<qint64, int>>& oversizedFiles()
{
    static QHash<QString, std::pair<qint64, int>> files;
    return files;
}

QString freeAsideName(const QString& path)
{
    const QString stem = path + QStringLiteral(".okunamayan-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString name = stem;
    for (int attempt = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++attempt)
        name = stem + QStringLiteral("_%1").arg(attempt);
    return name;
}
} // namespace

QString UnreadableFileAsideName(const QString& path)
{
    return unreadableFiles().value(path);
}

void KeepUnreadableFileAside(const QString& path)
{
    const auto found = unreadableFiles().constFind(path);
    if (found == unreadableFiles().cend())
        return;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
    {
        unreadableFiles().erase(found);
        return;
    }
    // Moved rather than copied: a file that could not be read usually cannot be copied either.
    // Where the folder refuses the move, a copy is tried before giving up.
    const QString aside = *found;
    if (!QFile::rename(path, aside) && !QFile::copy(path, aside))
        throw EFileError("Cannot keep the unreadable file aside", path);
    SyncFolderToDisk(info.absolutePath());
    unreadableFiles().remove(path);
}

bool RxMemoryDataSaveToFile(TRxMemoryData& table, const QString& path)
{
    // Settling the pending edit comes first: a refused edit throws here, before the file is
    // touched, so the previous file stays whole.
    table.first();
    if (table.loadFailed())
        return false;
    KeepUnreadableFileAside(path);

    const int size = table.recordSize();
    const int count = table.recordCount();
    TSaveFile file(path, static_cast<qint64>(size) * count);
    const int perBlock = std::max(1, static_cast<int>(kBlockBytes / size));
    QByteArray block(static_cast<qsizetype>(perBlock) * size, '\0');
    for (int row = 0; row < count;)
    {
        char* out = block.data();
        for (int i = 0; i < perBlock && row < count; ++i, ++row, out += size)
            std::memcpy(out, table.recordDataAt(row), static_cast<size_t>(size));
        file.write(block.constData(), out - block.constData());
    }
    file.commit();
    table.last();
    return true;
}

namespace {
// A damaged file may hold a great many refused records: the rule's own notice is shown for the
// first, the others are only counted, so a start-up is never buried under notices.
class QuietNotices
{
public:
    ~QuietNotices()
    {
        if (m_installed)
            setMessageSeam(std::move(m_previous));
    }
    void install()
    {
        if (m_installed)
            return;
        m_installed = true;
        m_previous = setMessageSeam({});
        setMessageSeam({[](const QString&, const QString&) {}, m_previous.question, m_previous.questionDefaultNo});
    }

private:
    MessageSeam m_previous;
    bool m_installed = false;
};

int loadRecords(TRxMemoryData& table, QFile& file, const QString& path, int maxRecords)
{
    const int size = table.recordSize();
    const qint64 expected = (file.size() + size - 1) / size;
    if (expected > maxRecords)
    {
        oversizedFiles().insert(path, {expected, maxRecords});
        throw EFileError("File too large", path);
    }
    table.close();
    table.open();
    table.reserve(static_cast<int>(std::min<qint64>(expected, std::numeric_limits<int>::max())));
    table.deferKeyIndex();

    // Views are refreshed once at the end instead of following every appended record.
    TControlsSuspension quiet(table);
    const qint64 blockBytes = std::max<qint64>(size, kBlockBytes / size * size);
    QByteArray block(blockBytes, '\0');
    qint64 filled = 0; // bytes of block holding data not yet stored
    bool atEnd = false;
    int refused = 0;
    QuietNotices quietAfterFirst;
    while (!atEnd || filled > 0)
    {
        if (!atEnd && filled < blockBytes)
        {
            const qint64 got = file.read(block.data() + filled, blockBytes - filled);
            if (got < 0)
                throw EFileError("Cannot read file", path);
            atEnd = got == 0;
            filled += got;
            if (!atEnd && filled < blockBytes)
                continue;
        }
        // Whole records, plus the trailing piece once the file is exhausted (its missing
        // bytes stay zero, as the appended record starts all zero).
        qint64 used = 0;
        while (filled - used >= size || (atEnd && filled - used > 0))
        {
            // A file that grows while it is read is cut off at the limit as well.
            if (table.recordCount() + refused >= maxRecords)
            {
                oversizedFiles().insert(path, {qint64(maxRecords) + 1, maxRecords});
                throw EFileError("File too large", path);
            }
            const int n = static_cast<int>(std::min<qint64>(size, filled - used));
            table.append();
            table.setRecordImage(block.constData() + used, n);
            try
            {
                table.post();
            }
            catch (const EAbort&)
            {
                // A refused record is dropped; the records after it are still loaded.
                if (table.state() == dsEdit || table.state() == dsInsert)
                    table.cancel();
                ++refused;
                quietAfterFirst.install();
            }
            catch (...)
            {
                if (table.state() == dsEdit || table.state() == dsInsert)
                    table.cancel();
                throw;
            }
            used += n;
        }
        std::memmove(block.data(), block.constData() + used, static_cast<size_t>(filled - used));
        filled -= used;
    }
    return refused;
}
} // namespace

int RxMemoryDataLoadFromFile(TRxMemoryData& table, const QString& path, int maxRecords)
{
    oversizedFiles().remove(path);
    const auto failed = [&](const char* message) {
        table.markLoadFailed();
        if (!unreadableFiles().contains(path))
            unreadableFiles().insert(path, freeAsideName(path));
        return EFileError(message, path);
    };
    // A FIFO or device would block the open or the read: only regular files are read.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw failed("Cannot open file");
    try
    {
        const int refused = loadRecords(table, file, path, maxRecords);
        unreadableFiles().remove(path);
        return refused;
    }
    catch (const EFileError&)
    {
        throw failed("Cannot read file");
    }
    catch (const std::bad_alloc&)
    {
        // Too large for the memory there is: what did fit is dropped, and the file is kept.
        table.close();
        table.open();
        throw failed("Cannot read file");
    }
}

QString RecordsSkippedText(const QString& path, int skipped)
{
    return QStringLiteral("\"%1\" dosyasında kabul edilmeyen %2 kayıt atlandı; diğer kayıtlar yüklendi.")
        .arg(QDir::toNativeSeparators(path))
        .arg(skipped);
}

QString LoadFailedText(const QString& path)
{
    const QString aside = UnreadableFileAsideName(path);
    if (const auto over = oversizedFiles().constFind(path); over != oversizedFiles().cend())
        return QStringLiteral("\"%1\" dosyası okunmadı: %2 kayıt tutuyor, bu tablo en çok %3 kayıt alır. Dosyaya "
                              "dokunulmadı: tabloda bir değişiklik yapılmadıkça üzerine yazılmayacak, yapılırsa önce "
                              "\"%4\" adıyla kenara alınacak.")
            .arg(QDir::toNativeSeparators(path))
            .arg(over->first)
            .arg(over->second)
            .arg(QDir::toNativeSeparators(aside));
    if (aside.isEmpty())
        return QStringLiteral("\"%1\" dosyası okunamadı; kayıtları bu çalışmada kullanılamıyor. Dosyaya dokunulmadı: "
                              "tabloda bir değişiklik yapılmadıkça üzerine yazılmayacak.")
            .arg(QDir::toNativeSeparators(path));
    return QStringLiteral("\"%1\" dosyası okunamadı; kayıtları bu çalışmada kullanılamıyor. Dosyaya dokunulmadı: "
                          "tabloda bir değişiklik yapılmadıkça üzerine yazılmayacak, yapılırsa önce \"%2\" adıyla "
                          "kenara alınacak.")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside));
}
