#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
        QTest::addColumn<bool>("ownFolder");
        QTest::newRow("person-prize draw") << "person"
                                           << "Cekilis-" << false;
        QTest::newRow("number draw") << "number"
                                     << "Sayilar-" << false;
        // The program copied into a folder whose name holds letters outside ASCII finds its own
        // folder from its executable's path and journals there.
        QTest::newRow("person-prize draw, program in a folder named Çekiliş") << "person"
                                                                              << "Cekilis-" << true;
    }
    void killedRightAfterTheDraw()
    {
        QFETCH(QString, kind);
        QFETCH(QString, prefix);
        QFETCH(bool, ownFolder);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        QDir dir(temporary.path());
        QString program = QStringLiteral(JOURNAL_CHILD);
        if (ownFolder)
        {
            QVERIFY(dir.mkdir(QStringLiteral("Çekiliş Programı")) && dir.cd(QStringLiteral("Çekiliş Programı")));
            const QString copy = dir.filePath(QFileInfo(program).fileName());
            QVERIFY(QFile::copy(program, copy));
            program = copy;
        }
        QProcess child;
        child.start(program, {ownFolder ? QStringLiteral("-") : dir.path(), kind});
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
