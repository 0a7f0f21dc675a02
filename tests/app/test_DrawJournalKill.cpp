#include "common/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A run killed outright (no close, no destructor, no flush at exit) right after a draw: what the
// draw recorded is in its journal file already, byte for byte.
class TestDrawJournalKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedRightAfterTheDraw_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("person-prize draw") << "person"
                                           << "Cekilis-";
        QTest::newRow("number draw") << "number"
                                     << "Sayilar-";
    }
    void killedRightAfterTheDraw()
    {
        QFETCH(QString, kind);
        QFETCH(QString, prefix);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess child;
        child.start(QStringLiteral(JOURNAL_CHILD), {dir.path(), kind});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains('\n') && child.state() == QProcess::Running && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.startsWith("recorded"), said + child.readAllStandardError());
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QDir data(dir.filePath(QStringLiteral("Data")));
        const QStringList files = data.entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().startsWith(prefix));
        QByteArray expected("\xDEule \xC7"
                            "a\xF0\t\xDCt\xFC\r\n");
        if (kind == QStringLiteral("number"))
            expected = said.trimmed().mid(int(sizeof "recorded")).replace(',', "\r\n") + "\r\n";
        QCOMPARE(readAll(data.filePath(files.first())), expected);
    }
};

QTEST_GUILESS_MAIN(TestDrawJournalKill)
#include "test_DrawJournalKill.moc"
