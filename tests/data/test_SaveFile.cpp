// Atomic file replacement: content, failures, and what is left in the folder.
#include "DataErrors.h"
#include "SaveFile.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A tmpfs of its own, so a test can fill a real file system to the last byte or inode.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const QString& options)
    {
        if (m_dir.isValid())
            m_mounted = QProcess::execute(QStringLiteral("mount"),
                                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                                           QStringLiteral("tmpfs"), m_dir.path()}) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
    }
    bool mounted() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    // Takes every byte left (one filler file) or every inode left (empty files); returns how
    // many filler files it made.
    int fill(bool inodes)
    {
        int made = 0;
        for (; made < (inodes ? 1000 : 1); ++made)
        {
            QFile f(filePath(QStringLiteral("filler%1").arg(made)));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                break;
            const QByteArray chunk(4096, 'f');
            while (!inodes && f.write(chunk) == chunk.size())
            {}
        }
        return made;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

QByteArray pattern(qsizetype size, char first)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(first + i % 23);
    return bytes;
}
} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesTheWholeContent_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("new file") << QByteArray() << QByteArray("a\r\nb\r\n");
        QTest::newRow("longer old file") << QByteArray("an old and much longer content\r\n") << QByteArray("x");
        QTest::newRow("emptied") << QByteArray("old") << QByteArray();
        QTest::newRow("zero bytes kept") << QByteArray() << QByteArray("\0\xFE\xFF", 3);
    }

    void replacesTheWholeContent()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        if (!before.isEmpty())
            writeAll(path, before);
        SaveFileAtomically(path, bytes);
        QCOMPARE(readAll(path, "<missing>"), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.txt")});
    }

    void cleanup() { setSaveFileFaults({}); }

    void faultsKeepTheOldFile_data()
    {
        QTest::addColumn<qint64>("spaceLeft");
        QTest::addColumn<bool>("refuseNewFiles");
        QTest::addColumn<bool>("failSync");
        QTest::addColumn<bool>("failRename");
        QTest::addColumn<int>("before"); // -1: no file yet
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("saved");
        QTest::newRow("full disk") << qint64(0) << false << false << false << 840 << 840 << false;
        QTest::newRow("full disk past the first 16 KB")
            << qint64(20000) << false << false << false << 30000 << 40000 << false;
        QTest::newRow("flush to the disk fails") << qint64(-1) << false << true << false << 840 << 100 << false;
        QTest::newRow("rename fails") << qint64(-1) << false << false << true << 840 << 100 << false;
        QTest::newRow("no temporary file: direct, shorter")
            << qint64(-1) << true << false << false << 840 << 100 << true;
        QTest::newRow("no temporary file: direct, longer")
            << qint64(-1) << true << false << false << 100 << 200000 << true;
        QTest::newRow("no temporary file, full disk: cut back")
            << qint64(50) << true << false << false << 100 << 200000 << false;
        QTest::newRow("no temporary file, full disk, shorter needs no room")
            << qint64(0) << true << false << false << 840 << 100 << true;
        QTest::newRow("no temporary file and no file") << qint64(-1) << true << false << false << -1 << 100 << false;
    }

    void faultsKeepTheOldFile()
    {
        QFETCH(qint64, spaceLeft);
        QFETCH(bool, refuseNewFiles);
        QFETCH(bool, failSync);
        QFETCH(bool, failRename);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old = pattern(std::max(before, 0), 'a');
        if (before >= 0)
            writeAll(path, old);
        const QByteArray bytes = pattern(after, 'A');
        setSaveFileFaults({spaceLeft, refuseNewFiles, failSync, failRename});
        bool thrown = false;
        try
        {
            SaveFileAtomically(path, bytes);
        }
        catch (const EFileError& e)
        {
            thrown = true;
            QCOMPARE(e.path(), path);
        }
        QCOMPARE(!thrown, saved);
        QCOMPARE(readAll(path, "<missing>"), saved ? bytes : before >= 0 ? old : QByteArray("<missing>"));
        const QStringList left = before >= 0 || saved ? QStringList{QStringLiteral("Kisi.Ini")} : QStringList();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), left);
    }

    void fullFileSystem_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("direct");
        // Sizes of the files that were seen emptied or cut.
        QTest::newRow("no byte left, same size") << QStringLiteral("size=64k") << 840 << 840 << false << false;
        QTest::newRow("no byte left, larger than a buffer")
            << QStringLiteral("size=128k") << 20000 << 40000 << false << false;
        // Only the inodes are used up: no temporary file, but the file itself can grow.
        QTest::newRow("no inode left: written directly")
            << QStringLiteral("size=256k,nr_inodes=8") << 840 << 30000 << true << true;
    }

    void fullFileSystem()
    {
        QFETCH(QString, options);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(bool, saved);
        QFETCH(bool, direct);
        SmallFileSystem fs(options);
        if (!fs.mounted())
            QSKIP("mounting a tmpfs is not permitted here");
        const QString path = fs.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old = pattern(before, 'a');
        writeAll(path, old);
        QVERIFY(fs.fill(direct) > 0);
        const QByteArray bytes = pattern(after, 'A');
        bool thrown = false;
        try
        {
            TSaveFile file(path, bytes.size());
            QCOMPARE(file.writesDirectly(), direct);
            file.write(bytes.constData(), bytes.size());
            file.commit();
        }
        catch (const EFileError&)
        {
            thrown = true;
        }
        QCOMPARE(!thrown, saved);
        QCOMPARE(readAll(path), saved ? bytes : old);
        QCOMPARE(fs.files().filter(QStringLiteral("Kisi")), QStringList{QStringLiteral("Kisi.Ini")});
    }

    void leftoversOnlyOfOurOwnFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList leftovers{QStringLiteral("Memory.Ini.~tmpa1b2c3"), QStringLiteral("Kisi.Ini.~tmpzzzzzz")};
        const QStringList kept{QStringLiteral("Memory.Ini"),
                               QStringLiteral("Memory.Ini.backup"),
                               QStringLiteral("Memory.Ini.~tmpA1B2C3"),
                               QStringLiteral("Memory.Ini.~tmpa1b2c"),
                               QStringLiteral("Memory.Ini.~tmpa1b2c3d"),
                               QStringLiteral("Memory.Ini.~1~"),
                               QStringLiteral("Sonuc.txt.~tmpa1b2c3"),
                               QStringLiteral("xMemory.Ini.~tmpa1b2c3")};
        for (const QString& name : leftovers + kept)
            writeAll(dir.filePath(name), "x");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Hediye.Ini.~tmpabcdef")));
        const QStringList ours{QStringLiteral("Ayar.Ini"), QStringLiteral("Kisi.Ini"), QStringLiteral("Hediye.Ini"),
                               QStringLiteral("Memory.Ini")};
        QCOMPARE(RemoveSaveFileLeftovers(dir.path(), ours), 2);
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Hediye.Ini.~tmpabcdef"))).isDir());
        // The routine's own temporary name is what the clean-up recognises.
        {
            TSaveFile pending(dir.filePath(QStringLiteral("Ayar.Ini")), 1);
            const QStringList now = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
            QCOMPARE(now.size(), expected.size() + 1);
            QCOMPARE(std::count_if(now.cbegin(), now.cend(),
                                   [](const QString& n) { return IsSaveFileLeftover(n, QStringLiteral("Ayar.Ini")); }),
                     1);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    }

    void failureThrowsAndLeavesTheFolderAlone()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("no/such/out.txt"));
        try
        {
            SaveFileAtomically(path, "x");
            QFAIL("no error for a missing folder");
        }
        catch (const EFileError& e)
        {
            QCOMPARE(e.path(), path);
            QVERIFY(QByteArray(e.what()).startsWith("Cannot create file"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

        // A folder standing where the file should be is never replaced.
        const QString taken = dir.filePath(QStringLiteral("taken"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        QVERIFY_THROWS_EXCEPTION(EFileError, SaveFileAtomically(taken, "x"));
        QVERIFY(QFileInfo(taken).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSaveFile)
#include "test_SaveFile.moc"
