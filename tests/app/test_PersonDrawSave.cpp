#include "DrawJournal.h"
#include "Guard.h"
#include "ProgramFolder.h"
#include "SaveFile.h"
#include "common/ExceptionRecorder.h"
#include "common/FakeClock.h"
#include "common/FileSizeLimit.h"
#include "common/PageRigs.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
// An absent file reads as this, so it never passes for an empty one.
const QByteArray missing("<missing>");

void addWinner(PersonPageRig& rig, const QString& name, const QString& prize)
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
        QTest::newRow("control characters written as blanks")
            << QStringList{QStringLiteral("Ali\tCan|TV\r\nRadyo"), QStringLiteral("Bel\x07 Esc\x1B|Del\x7F\x81")}
            << QByteArray("Ali Can\tTV  Radyo\r\nBel  Esc \tDel  \r\n");
    }

    void savesOneLinePerWinner()
    {
        QFETCH(QStringList, winners);
        QFETCH(QByteArray, bytes);
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        PersonPageRig rig;
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
        QCOMPARE(rig.winners(), winners); // the tables keep the text as it is
        // No temporary file is left beside the list.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("kazananlar.txt")});
    }

    void cancellingWritesNothing()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        PersonPageRig rig;
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
        PersonPageRig rig;
        addWinner(rig, QStringLiteral("Ali"), QStringLiteral("Saat"));
        dialogs.setNextFileName(dir->filePath(QStringLiteral("liste")));
        rig.draw->ZvWinButton9Click();
        QCOMPARE(readAll(dir->filePath(QStringLiteral("liste.TXT")), missing), QByteArray("Ali\tSaat\r\n"));
    }

    // A list that cannot be written says so, names the file and leaves what was there.
    void failedSaveTellsAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("old"); // "<dir>": a folder stands in the file's place
        QTest::addColumn<int>("sizeLimit");  // 0: none
        QTest::newRow("folder missing") << QStringLiteral("yok/olmayan/liste.txt") << missing << 0;
        QTest::newRow("a folder in the file's place") << QStringLiteral("liste.txt") << QByteArray("<dir>") << 0;
        QTest::newRow("disk full while writing") << QStringLiteral("liste.txt") << QByteArray("eski\r\n") << 12;
    }
    void failedSaveTellsAndKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, old);
        QFETCH(int, sizeLimit);
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        PersonPageRig rig;
        addWinner(rig, QStringLiteral("Ali Veli"), QStringLiteral("Bisiklet"));
        const QString target = dir->filePath(name);
        if (old == "<dir>")
            QVERIFY(QDir().mkpath(target));
        else if (old != missing)
            writeAll(target, old);
        int failures = 0;
        dialogs.setNextFileName(target);
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (sizeLimit > 0 && !atomicSaveNoticesACutWrite(dir->path()))
                QSKIP("the atomic save does not notice a cut write here");
            if (sizeLimit > 0)
                limit = std::make_unique<FileSizeLimit>(sizeLimit);
            ScopedExceptionRecorder recorder;
            rig.draw->ZvWinButton9Click();
            failures += recorder.count();
        }
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + SaveFailedText(target)});
        QCOMPARE(failures, 0);
        if (old == "<dir>")
            QVERIFY(QFileInfo(target).isDir());
        else
            QCOMPARE(readAll(target, missing), old);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), old == "eski\r\n" ? QStringList{name} : QStringList());
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
    }

    // "sonuc." is saved as "sonuc.TXT": replacing that file is asked about first.
    void trailingDotAsksBeforeReplacing()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        PersonPageRig rig;
        addWinner(rig, QStringLiteral("Ali"), QStringLiteral("Saat"));
        const QString target = dir->filePath(QStringLiteral("sonuc.TXT"));
        writeAll(target, "eski\r\n");
        messages.setNextAnswer(mrNo);
        dialogs.setNextFileName(dir->filePath(QStringLiteral("sonuc.")));
        rig.draw->ZvWinButton9Click();
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Soru: ") + overwriteQuestion(target)});
        QCOMPARE(readAll(target, missing), QByteArray("eski\r\n"));
        dialogs.setNextFileName(dir->filePath(QStringLiteral("sonuc.")));
        rig.draw->ZvWinButton9Click(); // Yes
        QCOMPARE(readAll(target, missing), QByteArray("Ali\tSaat\r\n"));
    }

    // Each winner's line is in the run's journal as soon as the winner is recorded; a journal
    // that cannot be written lets every draw finish and is told about once, after the winner.
    void journalHoldsEveryWinnerAsRecorded_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("journal written") << false;
        QTest::newRow("journal cannot be written") << true;
    }
    void journalHoldsEveryWinnerAsRecorded()
    {
        QFETCH(bool, blocked);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        if (blocked)
            writeAll(dir->filePath(QStringLiteral("Data")), "a file where the folder should be");
        rig.useJournal(dataFolder());
        const QHash<QString, QByteArray> lines{{QStringLiteral("Şule\tÇağ"), "\xDEule \xC7"
                                                                             "a\xF0\t\xDCt\xFC\r\n"},
                                               {QStringLiteral("Veli"), "Veli\tSaat\r\n"}};
        rig.addPerson(QStringLiteral("Şule\tÇağ"));
        rig.addPerson(QStringLiteral("Veli"));
        rig.addPrize(QStringLiteral("Ütü"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.SpinEdit1->setValue(1);
        QStringList whenShown;
        messages.onShow = [&](const QString&) {
            whenShown << QStringLiteral("%1 winners, running %2").arg(rig.Kzn_T.recordCount()).arg(int(DrawRunning));
        };
        // What the journal holds when the first letter is on the screen (its wait begins).
        QByteArray atFirstLetter;
        clock.onSleep = [&](int) {
            if (rig.balls().size() == 1)
                atFirstLetter = readAll(rig.journal->winnersFile(), missing);
        };
        QByteArray expected;
        for (int draw = 1; draw <= 2; ++draw)
        {
            rig.runDraw();
            QCOMPARE(rig.Kzn_T.recordCount(), draw);
            expected += lines.value(rig.Kzn_T.textAt(draw - 1, 0));
            QCOMPARE(atFirstLetter, blocked ? missing : expected);
            if (!blocked)
                QCOMPARE(readAll(rig.journal->winnersFile(), missing), expected);
        }
        if (blocked)
        {
            QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") +
                                                 TDrawJournal::winnersFailedText(rig.journal->winnersFile())});
            QCOMPARE(whenShown, QStringList{QStringLiteral("1 winners, running 0")});
        }
        else
        {
            QCOMPARE(messages.shown, QStringList());
            QCOMPARE(QDir(dataFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 1);
            // Until "Kaydet" writes them, the next start would offer these winners.
            QVERIFY(TDrawJournal::findUnsaved(dataFolder()));
            ScriptedFileDialogs dialogs;
            dialogs.setNextFileName(dir->filePath(QStringLiteral("liste.txt")));
            QTest::mouseClick(rig.c.ZvWinButton9, Qt::LeftButton);
            QCOMPARE(readAll(dir->filePath(QStringLiteral("liste.txt"))), expected);
            QVERIFY(!TDrawJournal::findUnsaved(dataFolder()));
        }
    }

    void savesWhatTheDrawsRecorded()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        FakeClock clock;
        PersonPageRig rig;
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
