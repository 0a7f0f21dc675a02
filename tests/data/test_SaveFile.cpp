// Atomic file replacement: content, failures, and what is left in the folder.
#include "DataErrors.h"
#include "SaveFile.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A tmpfs of its own, so a test can use up a real file system's bytes or inodes.
struct SmallFileSystem
{
    QTemporaryDir dir;
    bool mounted = false;
    explicit SmallFileSystem(const QString& options)
    {
        const QStringList arguments{QStringLiteral("-t"),    QStringLiteral("tmpfs"),
                                    QStringLiteral("-o"),    options,
                                    QStringLiteral("tmpfs"), dir.path()};
        mounted = dir.isValid() && QProcess::execute(QStringLiteral("mount"), arguments) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {dir.path()});
    }
    // Takes every byte left (one filler file) or every inode left (empty files).
    void fill(bool inodes)
    {
        for (int made = 0; made < (inodes ? 1000 : 1); ++made)
        {
            QFile f(dir.filePath(QStringLiteral("filler%1").arg(made)));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                break;
            while (!inodes && f.write(QByteArray(4096, 'f')) == 4096)
            {}
        }
    }
};

QByteArray pattern(qsizetype size, char first)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(first + i % 23);
    return bytes;
}

enum Fault
{
    refuseNewFiles = 1,
    failSync = 2,
    failRename = 4,
    failHalfWay = 8,
    failRestore = 16
};
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
        QTest::addColumn<QString>("mount"); // tmpfs options of a real full file system, or the seam alone
        QTest::addColumn<qint64>("spaceLeft");
        QTest::addColumn<int>("faults");
        QTest::addColumn<int>("before"); // -1: no file yet
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("saved");
        const QString seam;
        // Sizes of the files that were seen emptied or cut.
        QTest::newRow("real full disk") << QStringLiteral("size=64k") << qint64(-1) << 0 << 840 << 840 << false;
        QTest::newRow("real full disk, past a 16 KB buffer")
            << QStringLiteral("size=128k") << qint64(-1) << 0 << 20000 << 40000 << false;
        // Only the inodes are used up: no temporary file, but the file itself can grow.
        QTest::newRow("real file system out of inodes: direct write")
            << QStringLiteral("size=256k,nr_inodes=8") << qint64(-1) << 0 << 840 << 30000 << true;
        QTest::newRow("full disk") << seam << qint64(0) << 0 << 840 << 840 << false;
        QTest::newRow("full disk past the first 16 KB") << seam << qint64(20000) << 0 << 30000 << 40000 << false;
        QTest::newRow("flush to the disk fails") << seam << qint64(-1) << int(failSync) << 840 << 100 << false;
        QTest::newRow("rename fails") << seam << qint64(-1) << int(failRename) << 840 << 100 << false;
        QTest::newRow("direct, shorter") << seam << qint64(-1) << int(refuseNewFiles) << 840 << 100 << true;
        QTest::newRow("direct, longer") << seam << qint64(-1) << int(refuseNewFiles) << 100 << 200000 << true;
        QTest::newRow("direct, full disk: cut back")
            << seam << qint64(50) << int(refuseNewFiles) << 100 << 200000 << false;
        QTest::newRow("direct, full disk, shorter needs no room")
            << seam << qint64(0) << int(refuseNewFiles) << 840 << 100 << true;
        QTest::newRow("direct and no file") << seam << qint64(-1) << int(refuseNewFiles) << -1 << 100 << false;
    }

    void faultsKeepTheOldFile()
    {
        QFETCH(QString, mount);
        QFETCH(qint64, spaceLeft);
        QFETCH(int, faults);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(bool, saved);
        SmallFileSystem fs(mount.isEmpty() ? QStringLiteral("size=1m") : mount);
        if (!fs.mounted && !mount.isEmpty())
            QSKIP("mounting a tmpfs is not permitted here");
        const QString path = fs.dir.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old = pattern(std::max(before, 0), 'a');
        if (before >= 0)
            writeAll(path, old);
        if (!mount.isEmpty())
            fs.fill(mount.contains(QLatin1String("nr_inodes")));
        setSaveFileFaults(
            {spaceLeft, (faults & refuseNewFiles) != 0, (faults & failSync) != 0, (faults & failRename) != 0});
        const QByteArray bytes = pattern(after, 'A');
        bool thrown = false;
        try
        {
            TSaveFile file(path, bytes.size());
            QCOMPARE(file.writesDirectly(), before >= 0 && (faults & refuseNewFiles || (saved && !mount.isEmpty())));
            file.write(bytes.constData(), bytes.size());
            file.commit();
        }
        catch (const EFileError& e)
        {
            thrown = true;
            QCOMPARE(e.path(), path);
        }
        QCOMPARE(!thrown, saved);
        QCOMPARE(readAll(path, "<missing>"), saved ? bytes : before >= 0 ? old : QByteArray("<missing>"));
        const QStringList left = before >= 0 || saved ? QStringList{QStringLiteral("Kisi.Ini")} : QStringList();
        QCOMPARE(QDir(fs.dir.path()).entryList({QStringLiteral("Kisi*")}, QDir::Files | QDir::Hidden), left);
    }

    // Writing in place, in a real folder where files can be made but neither removed nor renamed
    // (append-only) or where the seam refuses new files: a failure half-way puts the old content
    // back, and where even that fails, the notice says the file may be damaged and where the copy
    // of its old content is. Repeated saves there leave at most one helper file behind.
    void inPlaceWriteNeverLies_data()
    {
        QTest::addColumn<bool>("appendOnly");
        QTest::addColumn<int>("faults");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("append-only folder") << true << 0 << QStringLiteral("saved");
        QTest::newRow("append-only folder, failing half-way") << true << int(failHalfWay) << QStringLiteral("restored");
        QTest::newRow("append-only folder, old content not put back")
            << true << int(failHalfWay | failRestore) << QStringLiteral("damaged");
        QTest::newRow("no new files, failing half-way")
            << false << int(refuseNewFiles | failHalfWay) << QStringLiteral("restored");
        QTest::newRow("no new files, flush fails")
            << false << int(refuseNewFiles | failSync) << QStringLiteral("restored");
        QTest::newRow("no new files, old content not put back")
            << false << int(refuseNewFiles | failHalfWay | failRestore) << QStringLiteral("damaged");
    }

    void inPlaceWriteNeverLies()
    {
        QFETCH(bool, appendOnly);
        QFETCH(int, faults);
        QFETCH(QString, outcome);
        SmallFileSystem fs(QStringLiteral("size=1m"));
        if (appendOnly && !fs.mounted)
            QSKIP("mounting a tmpfs is not permitted here");
        const QString path = fs.dir.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old = pattern(840, 'a');
        writeAll(path, old);
        if (appendOnly && QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+a"), fs.dir.path()}) != 0)
            QSKIP("no append-only folders here");
        const QByteArray bytes = pattern(3000, 'A');
        // A disk fails or tears whole sectors: the cut falls on one.
        setSaveFileFaults({-1, (faults & refuseNewFiles) != 0, (faults & failSync) != 0, false,
                           (faults & failHalfWay) ? 1024 : -1, (faults & failRestore) != 0});
        QString copy;
        bool failed = false;
        try
        {
            SaveFileAtomically(path, bytes);
        }
        catch (const EFileDamaged& e)
        {
            copy = e.copy();
        }
        catch (const EFileError&)
        {
            failed = true;
        }
        setSaveFileFaults({});
        const QString told = SaveFailedText(path);
        if (outcome == QLatin1String("saved"))
            QCOMPARE(readAll(path), bytes);
        else if (outcome == QLatin1String("restored"))
        {
            QVERIFY(failed);
            QCOMPARE(readAll(path), old);
            QVERIFY(told.contains(QStringLiteral("olduğu gibi duruyor")));
        }
        else
        {
            QVERIFY(!failed && !copy.isEmpty());
            QVERIFY(readAll(path) != old);
            QCOMPARE(readAll(copy), old);
            QVERIFY(!told.contains(QStringLiteral("olduğu gibi")));
            QVERIFY(told.contains(QStringLiteral("yarım yazılmış olabilir")));
            QVERIFY(told.contains(QDir::toNativeSeparators(copy)));
        }
        // The next saves go through, and the notice no longer speaks of damage.
        for (int again = 0; again < 3; ++again)
            SaveFileAtomically(path, pattern(100 + again, 'k'));
        QCOMPARE(readAll(path), pattern(102, 'k'));
        QVERIFY(SaveFailedText(path).contains(QStringLiteral("olduğu gibi duruyor")));
        const QStringList left = QDir(fs.dir.path()).entryList(QDir::Files | QDir::Hidden);
        // Beside the file: nothing, or in the append-only folder the one emptied temporary file
        // taken up by every save (and the copy the damage notice pointed to).
        const int helpers = appendOnly ? (outcome == QLatin1String("damaged") ? 2 : 1) : 0;
        QVERIFY2(left.size() <= 1 + helpers, qPrintable(left.join(u' ')));
        // Beside the data, only the plain old content the damage notice named is left.
        const QStringList kept = QDir(fs.dir.filePath(QStringLiteral("Data"))).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(kept.size() == (outcome == QLatin1String("damaged") ? 1 : 0), qPrintable(kept.join(u' ')));
        if (!copy.isEmpty() && !appendOnly)
            QFile::remove(copy);
        if (appendOnly)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-a"), fs.dir.path()});
    }

    void leftoversOnlyOfOurOwnFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList leftovers{QStringLiteral("Memory.Ini.~tmpa1b2c3"), QStringLiteral("Kisi.Ini.~tmpzzzzzz")};
        const QStringList kept{QStringLiteral("Memory.Ini"),
                               QStringLiteral("Memory.Ini.backup"),
                               QStringLiteral("Memory.Ini.~tmpA1B2C4"), // not a1b2c3 in capitals: Windows ignores case
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
        TSaveFile pending(dir.filePath(QStringLiteral("Ayar.Ini")), 1);
        const QStringList pendingNames = QDir(dir.path()).entryList({QStringLiteral("Ayar.Ini.*")}, QDir::Files);
        QCOMPARE(pendingNames.size(), 1);
        QVERIFY(IsSaveFileLeftover(pendingNames.first(), QStringLiteral("Ayar.Ini")));
#ifndef Q_OS_WIN
        // Windows removes no file that is still open, as this one is.
        QCOMPARE(RemoveSaveFileLeftovers(dir.path(), ours), 1);
#endif
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
