#include "Guard.h"
#include "ProgramFolder.h"
#include "common/FakeClock.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"
#include "test_PersonDrawRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
// An absent file reads as this, so it never passes for an empty one.
const QByteArray missing("<missing>");

void addWinner(Rig& rig, const QString& name, const QString& prize)
{
    rig.Kzn_T.append();
    rig.Kzn_T.setFieldString(QStringLiteral("ADI"), name);
    rig.Kzn_T.setFieldString(QStringLiteral("HEDIYE"), prize);
    rig.Kzn_T.post();
}
} // namespace

class TestPersonDrawSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<TemporaryProgramFolder>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { dir.reset(); }

    void savesOneLinePerWinner_data()
    {
        QTest::addColumn<QStringList>("winners");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty list") << QStringList() << QByteArray();
        QTest::newRow("two winners") << QStringList{QStringLiteral("Ayşe|Çanta"), QStringLiteral("Veli|Saat")}
                                     << QByteArray("Ay\xFE"
                                                   "e\t\xC7"
                                                   "anta\r\nVeli\tSaat\r\n");
        QTest::newRow("blanks and empty prize kept")
            << QStringList{QStringLiteral(" Ali Can |"), QStringLiteral("İpek|Büyük Ödül")}
            << QByteArray(" Ali Can \t\r\n\xDDpek\tB\xFCy\xFCk \xD6"
                          "d\xFCl\r\n");
    }

    void savesOneLinePerWinner()
    {
        QFETCH(QStringList, winners);
        QFETCH(QByteArray, bytes);
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        Rig rig;
        for (const QString& w : winners)
            addWinner(rig, w.section(QLatin1Char('|'), 0, 0), w.section(QLatin1Char('|'), 1));
        const QString target = dir->filePath(QStringLiteral("kazananlar.txt"));
        writeAll(target, "an older and much longer content that must go entirely\r\n");
        dialogs.setNextFileName(target);

        rig.draw->ZvWinButton9Click();
        QCOMPARE(readAll(target, missing), bytes);
        QVERIFY(messages.shown.isEmpty());
        // The dialog opens in the data folder, which the save creates first.
        QCOMPARE(dialogs.requests.size(), 1);
        QCOMPARE(dialogs.last().kind, FileDialogRequest::Save);
        QCOMPARE(QDir::cleanPath(dialogs.last().initialDir), QDir::cleanPath(dataFolder()));
        QCOMPARE(dialogs.last().defaultExt, QStringLiteral("TXT"));
        QVERIFY(QFileInfo(dataFolder()).isDir());
        QCOMPARE(dialogs.last().filter, QStringLiteral("Txt Dosyaları|*.txt"));
        QCOMPARE(rig.Kzn_T.recordCount(), int(winners.size()));
        // No temporary file is left beside the list.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("kazananlar.txt")});
    }

    void cancellingWritesNothing()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        Rig rig;
        addWinner(rig, QStringLiteral("Ali"), QStringLiteral("Saat"));
        dialogs.setNextFileName(QString());
        rig.draw->ZvWinButton9Click();
        QCOMPARE(QDir(dataFolder()).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    void bareNameGetsTheDefaultExtension()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        Rig rig;
        addWinner(rig, QStringLiteral("Ali"), QStringLiteral("Saat"));
        dialogs.setNextFileName(dir->filePath(QStringLiteral("liste")));
        rig.draw->ZvWinButton9Click();
        QCOMPARE(readAll(dir->filePath(QStringLiteral("liste.TXT")), missing), QByteArray("Ali\tSaat\r\n"));
    }

    void failureIsSwallowed()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        Rig rig;
        addWinner(rig, QStringLiteral("Ali"), QStringLiteral("Saat"));
        int failures = 0;
        auto previous = setAppExceptionHandler([&](const std::exception*) { ++failures; });
        dialogs.setNextFileName(dir->filePath(QStringLiteral("yok/olmayan/liste.txt")));
        rig.draw->ZvWinButton9Click();
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(failures, 0);
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
        setAppExceptionHandler(previous);
    }

    void savesWhatTheDrawsRecorded()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        FakeClock clock;
        Rig rig;
        rig.addPerson(QStringLiteral("Şule"), QStringLiteral("İzmir"));
        rig.addPrize(QStringLiteral("Ütü"));
        rig.runDraw();
        const QString target = dir->filePath(QStringLiteral("liste.txt"));
        dialogs.setNextFileName(target);
        rig.draw->ZvWinButton9Click();
        QCOMPARE(readAll(target, missing), QByteArray("\xDEule\t\xDCt\xFC\r\n"));
    }

private:
    std::unique_ptr<TemporaryProgramFolder> dir;
};

QTEST_MAIN(TestPersonDrawSave)
#include "test_PersonDrawSave.moc"
