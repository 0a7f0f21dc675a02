// Atomic file replacement: content, failures, and what is left in the folder.
#include "DataErrors.h"
#include "SaveFile.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
