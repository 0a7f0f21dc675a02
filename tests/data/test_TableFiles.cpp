// Table files: byte layout of saved records, loading, damaged files and failures.
#include "DrawTables.h"
#include "EAbort.h"
#include "TableFiles.h"
#include "common/FixturePath.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString fixture(const char* name)
{
    return fixturePath(QStringLiteral("tables/") + QLatin1String(name));
}

void addRange(TRxMemoryData& t, qint32 a, qint32 b)
{
    t.append();
    t.setFieldInteger(0, a);
    t.setFieldInteger(1, b);
    t.post();
}
} // namespace

class TestTableFiles : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void savesGoldenParticipants();
    void savesGoldenPrizes();
    void savesRanges();
    void emptyTableAndEmptyFile();
    void loadsRangesInFileOrder();
    void loadKeepsForeignBytes();
    void damagedFiles_data();
    void damagedFiles();
    void randomBytesNeverFail();
    void loadRunsRulesAndRefreshesOnce();
    void refusedRecordIsSkippedWithoutPendingRow();
    void saveKeepsOldFileWhenEditRefused();
    void saveStoresOrDropsPendingRow();
    void fileErrors();
    void unreadFileIsNotSavedOver_data();
    void unreadFileIsNotSavedOver();
    void unreadableFileKeptAsideBeforeTheFirstSave_data();
    void unreadableFileKeptAsideBeforeTheFirstSave();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path(const char* name) const { return dir->filePath(QLatin1String(name)); }
};

void TestTableFiles::savesGoldenParticipants()
{
    TRxMemoryData t;
    defineKisi(t).open();
    t.append();
    t.setFieldString(0, QStringLiteral("Şule Işık"));
    t.post();
    t.append();
    t.setFieldString(0, QStringLiteral("Ali"));
    t.setFieldString(1, QStringLiteral("yazıp silinen"));
    t.setFieldString(1, QString());
    t.post();
    t.append();
    t.setFieldString(0, QStringLiteral("ABCDEFGHIJ").repeated(4));
    t.setFieldString(1, QStringLiteral("Çanakkale"));
    t.post();
    RxMemoryDataSaveToFile(t, path("Kisi.Ini"));
    const QByteArray bytes = readAll(path("Kisi.Ini"));
    QCOMPARE(bytes, readAll(fixture("KisiSaved.Ini")));
    QCOMPARE(bytes.at(1), '\xDE');      // Ş
    QCOMPARE(bytes.at(8), '\xFD');      // ı
    QCOMPARE(bytes.at(168 + 41), '\0'); // 40 characters, then the zero byte
    QVERIFY(t.eof());
    QCOMPARE(t.currentIndex(), 2);
}

void TestTableFiles::savesGoldenPrizes()
{
    TRxMemoryData t;
    defineHediye(t).open();
    QCOMPARE(t.recordSize(), 144);
    t.append();
    t.setFieldString(0, QStringLiteral("Bisiklet"));
    t.setFieldString(1, QStringLiteral("C:\\Resimler\\bisiklet.jpg"));
    t.post();
    t.append();
    t.setFieldString(0, QStringLiteral("Ütü"));
    t.post();
    RxMemoryDataSaveToFile(t, path("Hediye.Ini"));
    QCOMPARE(readAll(path("Hediye.Ini")), readAll(fixture("HediyeSaved.Ini")));
}

void TestTableFiles::savesRanges()
{
    TRxMemoryData t;
    defineRx(t).open();
    addRange(t, 5, 12);
    addRange(t, -2, 0x01020304);
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    QCOMPARE(readAll(path("Memory.Ini")), QByteArray("\x01\x05\0\0\0\x01\x0C\0\0\0"
                                                     "\x01\xFE\xFF\xFF\xFF\x01\x04\x03\x02\x01",
                                                     20));
}

void TestTableFiles::emptyTableAndEmptyFile()
{
    TRxMemoryData t;
    defineKisi(t).open();
    writeAll(path("Kisi.Ini"), "old content");
    RxMemoryDataSaveToFile(t, path("Kisi.Ini"));
    QCOMPARE(QFileInfo(path("Kisi.Ini")).size(), 0);
    QVERIFY(t.eof());
    t.append();
    t.setFieldString(0, QStringLiteral("x"));
    t.post();
    RxMemoryDataLoadFromFile(t, path("Kisi.Ini"));
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.state(), dsBrowse);
}

void TestTableFiles::loadsRangesInFileOrder()
{
    TRxMemoryData t;
    defineRx(t).open();
    RxMemoryDataLoadFromFile(t, fixture("Memory3.Ini"));
    QCOMPARE(t.recordCount(), 3);
    const QList<QPair<int, int>> expected{{5, 12}, {-3, -1}, {100, 2147483647}};
    for (int r = 0; r < 3; ++r)
    {
        QCOMPARE(t.integerAt(r, 0), expected[r].first);
        QCOMPARE(t.integerAt(r, 1), expected[r].second);
    }
    QCOMPARE(t.identityAt(2), 3u);
}

void TestTableFiles::loadKeepsForeignBytes()
{
    TRxMemoryData t;
    defineKisi(t).open();
    RxMemoryDataLoadFromFile(t, fixture("Kisi3.Ini"));
    QCOMPARE(t.recordCount(), 3);
    QCOMPARE(t.textAt(0, 0), QStringLiteral("Ayşe Yılmaz"));
    QVERIFY(t.isNullAt(0, 1));
    QCOMPARE(t.textAt(0, 1), QString());
    QCOMPARE(t.textAt(1, 0), QStringLiteral("Mehmet")); // presence byte 7 counts as given
    QCOMPARE(t.textAt(1, 1), QStringLiteral("İstanbul"));
    QCOMPARE(t.textAt(2, 0), QString(40, QLatin1Char('X'))); // no zero byte: first 40 characters
    QCOMPARE(t.textAt(2, 1), QString());
    // Presence bytes and bytes after the zero byte survive load and save unchanged.
    RxMemoryDataSaveToFile(t, path("Kisi.Ini"));
    QCOMPARE(readAll(path("Kisi.Ini")), readAll(fixture("Kisi3.Ini")));
}

void TestTableFiles::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("lastRange");
    QTest::newRow("one whole record") << QByteArray("\x01\x05\0\0\0\x01\x0C\0\0\0", 10) << 1 << QList<int>{5, 12};
    // A trailing piece becomes one more record; the bytes it lacks are zero.
    QTest::newRow("whole and a piece") << QByteArray("\x01\x05\0\0\0\x01\x0C\0\0\0\x01\x07\0", 13) << 2
                                       << QList<int>{7, 0};
    QTest::newRow("only a piece") << QByteArray("\x01\x09", 2) << 1 << QList<int>{9, 0};
    QTest::newRow("piece without presence") << QByteArray("\0\x09\0\0\0\x01", 6) << 1 << QList<int>{0, 0};
}

void TestTableFiles::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(QList<int>, lastRange);
    writeAll(path("Memory.Ini"), bytes);
    TRxMemoryData t;
    defineRx(t).open();
    RxMemoryDataLoadFromFile(t, path("Memory.Ini"));
    QCOMPARE(t.recordCount(), records);
    QCOMPARE(t.integerAt(records - 1, 0), lastRange[0]);
    QCOMPARE(t.integerAt(records - 1, 1), lastRange[1]);
    // A save writes whole records: the piece comes back zero-filled.
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    QByteArray padded = bytes;
    padded.append(QByteArray(records * 10 - bytes.size(), '\0'));
    QCOMPARE(readAll(path("Memory.Ini")), padded);
}

void TestTableFiles::randomBytesNeverFail()
{
    QRandomGenerator rng(1254);
    for (int size : {1, 83, 84, 85, 167, 500, 8401})
    {
        QByteArray bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng.bounded(256));
        writeAll(path("Kisi.Ini"), bytes);
        TRxMemoryData t;
        defineKisi(t).open();
        RxMemoryDataLoadFromFile(t, path("Kisi.Ini"));
        QCOMPARE(t.recordCount(), (size + 83) / 84);
        for (int r = 0; r < t.recordCount(); ++r)
        {
            QVERIFY(t.bytesAt(r, 0).size() <= 40);
            QVERIFY(t.bytesAt(r, 1).size() <= 40);
        }
    }
}

void TestTableFiles::loadRunsRulesAndRefreshesOnce()
{
    TRxMemoryData t;
    defineRx(t).open();
    QList<int> seen;
    t.BeforePost = [&](TRxMemoryData& table) { seen << table.fieldAsInteger(0); };
    int after = 0;
    t.AfterPost = [&](TRxMemoryData&) { ++after; };
    QSignalSpy refresh(&t, &TRxMemoryData::dataSetChanged);
    QSignalSpy inserted(&t, &TRxMemoryData::rowInserted);
    RxMemoryDataLoadFromFile(t, fixture("Memory3.Ini"));
    QCOMPARE(seen, QList<int>({5, -3, 100})); // each record is complete when its rule sees it
    QCOMPARE(after, 3);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(refresh.count(), 3); // close, open, and one after the records arrived
    QVERIFY(!t.controlsDisabled());
}

void TestTableFiles::refusedRecordIsSkippedWithoutPendingRow()
{
    TRxMemoryData t;
    defineRx(t).open();
    t.BeforePost = [](TRxMemoryData& table) {
        if (table.fieldAsInteger(0) < 0)
            Abort();
    };
    // The middle record is refused; the one after it is still loaded.
    QCOMPARE(RxMemoryDataLoadFromFile(t, fixture("Memory3.Ini")), 1);
    QCOMPARE(t.recordCount(), 2);
    QCOMPARE(t.state(), dsBrowse);
    QCOMPARE(t.rowCount(), 2);
    QVERIFY(!t.controlsDisabled());
    QVERIFY(!t.loadFailed());
    QCOMPARE(t.integerAt(0, 1), 12);
    QCOMPARE(t.integerAt(1, 0), 100);
}

void TestTableFiles::saveKeepsOldFileWhenEditRefused()
{
    TRxMemoryData t;
    defineRx(t).open();
    addRange(t, 1, 2);
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    const QByteArray before = readAll(path("Memory.Ini"));
    t.BeforePost = [](TRxMemoryData& table) {
        if (table.fieldIsNull(0))
            Abort();
    };
    t.append();
    t.setFieldInteger(1, 9);
    QVERIFY_THROWS_EXCEPTION(EAbort, RxMemoryDataSaveToFile(t, path("Memory.Ini")));
    QCOMPARE(readAll(path("Memory.Ini")), before);
    QCOMPARE(t.state(), dsInsert);
    QCOMPARE(t.fieldAsInteger(1), 9);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("Memory.Ini")});
    // Once corrected, the same save goes through.
    t.setFieldInteger(0, 8);
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    QCOMPARE(readAll(path("Memory.Ini")).size(), 20);
}

void TestTableFiles::saveStoresOrDropsPendingRow()
{
    TRxMemoryData t;
    defineRx(t).open();
    addRange(t, 1, 2);
    t.append(); // untouched: dropped
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    QCOMPARE(readAll(path("Memory.Ini")).size(), 10);
    t.first();
    t.edit();
    t.setFieldInteger(1, 3); // changed: stored
    RxMemoryDataSaveToFile(t, path("Memory.Ini"));
    QCOMPARE(readAll(path("Memory.Ini")), QByteArray("\x01\x01\0\0\0\x01\x03\0\0\0", 10));
}

void TestTableFiles::fileErrors()
{
    TRxMemoryData t;
    defineRx(t).open();
    addRange(t, 1, 2);
    // A folder that does not exist cannot take the file; the table is unharmed.
    QVERIFY_THROWS_EXCEPTION(EFileError, RxMemoryDataSaveToFile(t, path("no/such/Memory.Ini")));
    QCOMPARE(t.recordCount(), 1);
    QVERIFY(!QFileInfo::exists(path("no")));
    // A missing file leaves the table as it was, and marked as not holding that file.
    QVERIFY_THROWS_EXCEPTION(EFileError, RxMemoryDataLoadFromFile(t, path("missing.Ini")));
    QCOMPARE(t.recordCount(), 1);
    QCOMPARE(t.state(), dsBrowse);
    QVERIFY(t.loadFailed());
    // A closed table is refused before any file is created.
    TRxMemoryData closed;
    closed.addIntegerField(QStringLiteral("A"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, RxMemoryDataSaveToFile(closed, path("closed.Ini")));
    QVERIFY(!QFileInfo::exists(path("closed.Ini")));
}

void TestTableFiles::unreadFileIsNotSavedOver_data()
{
    QTest::addColumn<QString>("change"); // what the operator does after the failed load
    QTest::addColumn<int>("savedBytes"); // -1: the file keeps its content
    QTest::newRow("nothing") << QString() << -1;
    QTest::newRow("a pending row left untouched") << QStringLiteral("append") << -1;
    QTest::newRow("a range stored") << QStringLiteral("store") << 10;
    QTest::newRow("the table emptied") << QStringLiteral("empty") << 0;
}

void TestTableFiles::unreadFileIsNotSavedOver()
{
    QFETCH(QString, change);
    QFETCH(int, savedBytes);
    const QByteArray old(84000, 'k');
    writeAll(path("Memory.Ini"), old);
    TRxMemoryData t;
    defineRx(t).open();
    // As a load that could not read this file leaves it.
    t.markLoadFailed();
    if (change == QLatin1String("append"))
        t.append();
    else if (change == QLatin1String("store"))
        addRange(t, 1, 2);
    else if (change == QLatin1String("empty"))
        t.emptyTable();
    QCOMPARE(RxMemoryDataSaveToFile(t, path("Memory.Ini")), savedBytes >= 0);
    if (savedBytes < 0)
        QCOMPARE(readAll(path("Memory.Ini")), old);
    else
        QCOMPARE(readAll(path("Memory.Ini")).size(), savedBytes);
}

// Three participants imported into the empty table of a file that could not be read: the file
// is found whole beside the new one, under the name the start-up notice gave.
void TestTableFiles::unreadableFileKeptAsideBeforeTheFirstSave_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("records the user may not read") << QStringLiteral("unreadable");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("link to a device") << QStringLiteral("device");
    QTest::newRow("more records than the table takes") << QStringLiteral("too many");
}

void TestTableFiles::unreadableFileKeptAsideBeforeTheFirstSave()
{
    QFETCH(QString, kind);
    const QString kisi = path("Kisi.Ini");
    const QByteArray ten(840, 'k');
    if (kind == QLatin1String("unreadable"))
    {
        writeAll(kisi, ten);
        QFile::setPermissions(kisi, QFile::WriteOwner);
        if (QFile(kisi).open(QIODevice::ReadOnly))
            QSKIP("this user reads every file");
    }
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("Kisi.Ini")));
    else if (kind == QLatin1String("device"))
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no device files a link could name (a .lnk there is a plain file)");
#endif
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), kisi));
    }
    else if (kind == QLatin1String("too many"))
        writeAll(kisi, ten);
    else if (QProcess::execute(QStringLiteral("mkfifo"), {kisi}) != 0)
        QSKIP("no mkfifo here");
    TRxMemoryData t;
    defineKisi(t).open();
    // Ten records where the table takes nine: none of them is loaded.
    QVERIFY_THROWS_EXCEPTION(EFileError, RxMemoryDataLoadFromFile(t, kisi, kind == QLatin1String("too many") ? 9 : 10));
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(LoadFailedText(kisi).contains(QStringLiteral("10 kayıt tutuyor")), kind == QLatin1String("too many"));
    const QString aside = UnreadableFileAsideName(kisi);
    QVERIFY(aside.startsWith(kisi + QStringLiteral(".okunamayan-")));
    QVERIFY(LoadFailedText(kisi).contains(QDir::toNativeSeparators(aside)));
    QVERIFY(!QFileInfo::exists(aside));
    for (const char* name : {"Ali", "Veli", "Can"})
    {
        t.append();
        t.setFieldString(0, QLatin1String(name));
        t.post();
    }
    QVERIFY(RxMemoryDataSaveToFile(t, kisi));
    QCOMPARE(QFileInfo(kisi).size(), 3 * 84);
    const QFileInfo kept(aside);
    QCOMPARE(kept.isDir(), kind == QLatin1String("folder"));
    QCOMPARE(kept.isSymLink(), kind == QLatin1String("device"));
    if (kind == QLatin1String("too many"))
        QCOMPARE(readAll(aside), ten);
    if (kind == QLatin1String("unreadable"))
    {
        QFile::setPermissions(aside, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readAll(aside), ten);
    }
    // Kept aside once: later saves write the new file only.
    QVERIFY(RxMemoryDataSaveToFile(t, kisi));
    QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 2);
}

QTEST_GUILESS_MAIN(TestTableFiles)
#include "test_TableFiles.moc"
