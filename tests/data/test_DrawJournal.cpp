#include "DrawJournal.h"
#include "common/FileSizeLimit.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime started(QDate(2026, 12, 9), QTime(0, 38, 2));
} // namespace

class TestDrawJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void winnerLineBlanksControlCharacters_data()
    {
        QTest::addColumn<QByteArray>("adi");
        QTest::addColumn<QByteArray>("hediye");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain, code page bytes kept") << QByteArray("Ay\xFE"
                                                                   "e \xDDpek")
                                                     << QByteArray("\x80 100 \xA0\xFF")
                                                     << QByteArray("Ay\xFE"
                                                                   "e \xDDpek\t\x80 100 \xA0\xFF\r\n");
        QTest::newRow("TAB, CR, LF") << QByteArray("Ali\tCan") << QByteArray("TV\r\nRadyo\n")
                                     << QByteArray("Ali Can\tTV  Radyo \r\n");
        QTest::newRow("ESC, BEL, DEL, NUL, 0x1F")
            << QByteArray("\x1B[2J\x07") << QByteArray("a\x7F\0\x1F", 4) << QByteArray(" [2J \ta   \r\n");
        QTest::newRow("bytes the code page leaves undefined")
            << QByteArray("\x81\x8D\x8E\x8F") << QByteArray("\x90\x9D\x9E") << QByteArray("    \t   \r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray("\t\r\n");
    }
    void winnerLineBlanksControlCharacters()
    {
        QFETCH(QByteArray, adi);
        QFETCH(QByteArray, hediye);
        QFETCH(QByteArray, line);
        QCOMPARE(winnerLine(adi, hediye), line);
    }

    void firstWinnerMakesTheRunsFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Data"));
        TDrawJournal journal(folder, started);
        QCOMPARE(journal.winnersFile(), folder + QStringLiteral("/Cekilis-2026-12-09_00-38-02.txt"));
        QVERIFY(!QFileInfo::exists(folder)); // a run without a draw leaves nothing

        QVERIFY(journal.appendWinner("\xDEule", "\xDCt\xFC"));
        QCOMPARE(readAll(journal.winnersFile()), QByteArray("\xDEule\t\xDCt\xFC\r\n"));
        QVERIFY(journal.appendWinner("Veli", "Saat"));
        QCOMPARE(readAll(journal.winnersFile()), QByteArray("\xDEule\t\xDCt\xFC\r\nVeli\tSaat\r\n"));
        QCOMPARE(journal.takeNotice(), QString());
    }

    // Runs started in the same second keep their own files, listed in the order they started.
    void runsOfTheSameSecondKeepApart()
    {
        QTemporaryDir dir;
        TDrawJournal first(dir.path(), started);
        TDrawJournal second(dir.path(), started);
        TDrawJournal later(dir.path(), started.addSecs(1));
        QVERIFY(first.appendWinner("A", "1"));
        QVERIFY(second.appendWinner("B", "2"));
        QVERIFY(later.appendWinner("C", "3"));
        QVERIFY(first.appendWinner("D", "4"));
        const QStringList listed = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(listed, (QStringList{QStringLiteral("Cekilis-2026-12-09_00-38-02.txt"),
                                      QStringLiteral("Cekilis-2026-12-09_00-38-02_2.txt"),
                                      QStringLiteral("Cekilis-2026-12-09_00-38-03.txt")}));
        QCOMPARE(readAll(first.winnersFile()), QByteArray("A\t1\r\nD\t4\r\n"));
        // Number lists grow as their numbers are drawn; each draw has its own.
        QVERIFY(later.appendNumbers("9\r\n"));
        QCOMPARE(readAll(later.numbersFile()), QByteArray("9\r\n"));
        QVERIFY(later.appendNumbers("10\r\n11\r\n"));
        QCOMPARE(readAll(later.numbersFile()), QByteArray("9\r\n10\r\n11\r\n"));
        QCOMPARE(readAll(second.winnersFile()), QByteArray("B\t2\r\n"));

        QVERIFY(first.saveNumbers("7\r\n42\r\n", started));
        QVERIFY(second.saveNumbers("5\r\n", started));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("Sayilar-2026-12-09_00-38-02.txt"))), QByteArray("7\r\n42\r\n"));
        QCOMPARE(readAll(second.numbersFile()), QByteArray("5\r\n"));
        QCOMPARE(QFileInfo(second.numbersFile()).fileName(), QStringLiteral("Sayilar-2026-12-09_00-38-02_2.txt"));
    }

    // An append cut short by the disk leaves the earlier lines whole and no torn line; the line
    // that failed goes to the disk with the next one, and the operator is told once.
    void failedAppendDamagesNothing()
    {
        QTemporaryDir dir;
        TDrawJournal journal(dir.path(), started);
        QVERIFY(journal.appendWinner("Ali", "Saat"));
        const QByteArray first("Ali\tSaat\r\n");
        {
            FileSizeLimit limit(first.size() + 4);
            if (!limit.available())
                QSKIP("no file size limit here");
            QVERIFY(!journal.appendWinner("Veli Uzun", "Bisiklet"));
            QCOMPARE(readAll(journal.winnersFile()), first);
            QVERIFY(!journal.appendWinner("Can", "Kalem"));
        }
        QCOMPARE(journal.takeNotice(), TDrawJournal::winnersFailedText(journal.winnersFile()));
        QVERIFY(journal.appendWinner("Ece", "Top"));
        QCOMPARE(readAll(journal.winnersFile()), first + "Veli Uzun\tBisiklet\r\nCan\tKalem\r\nEce\tTop\r\n");
        QCOMPARE(journal.takeNotice(), QString());
    }

    // The newest journal is offered while it holds winners no "Kaydet" saved, and until declined.
    void unsavedEveningFound_data()
    {
        QTest::addColumn<QByteArray>("older"); // an earlier run's journal, never saved
        QTest::addColumn<QByteArray>("newest");
        QTest::addColumn<QByteArray>("state"); // the newest one's state file; empty: none
        QTest::addColumn<int>("offered");      // winners offered; -1: none
        QTest::addColumn<int>("shown");
        const QByteArray two("Ali\tSaat\r\nVeli\tTop\r\n");
        QTest::newRow("killed at the pick of the first")
            << QByteArray() << QByteArray("Ali\tSaat\r\n") << QByteArray() << 1 << 0;
        QTest::newRow("second pick never revealed")
            << QByteArray() << two << QByteArray("[Cekilis]\r\nGosterilen=1\r\nKaydedilen=0\r\n") << 2 << 1;
        QTest::newRow("all saved") << QByteArray() << two << QByteArray("[Cekilis]\r\nGosterilen=2\r\nKaydedilen=2\r\n")
                                   << -1 << 0;
        QTest::newRow("a winner drawn after the save")
            << QByteArray() << two << QByteArray("[Cekilis]\r\nGosterilen=2\r\nKaydedilen=1\r\n") << 2 << 2;
        QTest::newRow("declined") << QByteArray() << two << QByteArray("[Cekilis]\r\nSorma=True\r\n") << -1 << 0;
        QTest::newRow("line cut by a power cut")
            << QByteArray() << QByteArray("Ali\tSaat\r\nVel") << QByteArray() << 1 << 0;
        QTest::newRow("only the newest counts")
            << two << QByteArray("Can\tKalem\r\n") << QByteArray("[Cekilis]\r\nKaydedilen=1\r\n") << -1 << 0;
    }
    void unsavedEveningFound()
    {
        QFETCH(QByteArray, older);
        QFETCH(QByteArray, newest);
        QFETCH(QByteArray, state);
        QFETCH(int, offered);
        QFETCH(int, shown);
        QTemporaryDir dir;
        if (!older.isEmpty())
            writeAll(dir.filePath(QStringLiteral("Cekilis-2026-12-08_19-00-00.txt")), older);
        const QString file = dir.filePath(QStringLiteral("Cekilis-2026-12-09_19-00-00.txt"));
        writeAll(file, newest);
        if (!state.isEmpty())
            writeAll(TDrawJournal::stateFile(file), state);
        const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dir.path());
        QCOMPARE(evening.has_value(), offered >= 0);
        if (!evening)
            return;
        QCOMPARE(evening->file, file);
        QCOMPARE(evening->winners.size(), offered);
        QCOMPARE(evening->winners.first(), (QPair<QByteArray, QByteArray>("Ali", "Saat")));
        QCOMPARE(evening->shown, shown);

        // Gone on with: new winners follow the whole lines, and after "Kaydet" nothing is offered.
        TDrawJournal journal(dir.path(), started);
        journal.resume(*evening);
        QVERIFY(journal.appendWinner("Ece", "Kitap"));
        QCOMPARE(readAll(file), newest.left(newest.lastIndexOf("\r\n") + 2) + "Ece\tKitap\r\n");
        QCOMPARE(TDrawJournal::findUnsaved(dir.path())->winners.size(), offered + 1);
        journal.winnersSaved(offered + 1);
        QVERIFY(!TDrawJournal::findUnsaved(dir.path()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("2026-12-09")).size(), 2);
    }

    void declinedEveningNotOfferedAgain()
    {
        QTemporaryDir dir;
        TDrawJournal run(dir.path(), started);
        QVERIFY(run.appendWinner("Ali", "Saat"));
        run.winnerShown();
        QVERIFY(TDrawJournal::findUnsaved(dir.path()));
        QVERIFY(TDrawJournal::decline(run.winnersFile()));
        QVERIFY(!TDrawJournal::findUnsaved(dir.path()));
        QCOMPARE(readAll(run.winnersFile()), QByteArray("Ali\tSaat\r\n"));
    }

    void unwritableFolderToldOncePerKind()
    {
        QTemporaryDir dir;
        writeAll(dir.filePath(QStringLiteral("Data")), "a file where the folder should be");
        TDrawJournal journal(dir.filePath(QStringLiteral("Data")), started);
        QVERIFY(!journal.appendWinner("Ali", "Saat"));
        const QString winnersNotice = journal.takeNotice();
        QCOMPARE(winnersNotice, TDrawJournal::winnersFailedText(journal.winnersFile()));
        QVERIFY(winnersNotice.contains(QDir::toNativeSeparators(journal.winnersFile())));
        QVERIFY(!journal.appendWinner("Veli", "Top"));
        QCOMPARE(journal.takeNotice(), QString());

        QVERIFY(!journal.saveNumbers("1\r\n", started));
        QCOMPARE(journal.takeNotice(), TDrawJournal::numbersFailedText(journal.numbersFile()));
        QVERIFY(journal.numbersFile().endsWith(QStringLiteral("Data/Sayilar-2026-12-09_00-38-02.txt")));
        QVERIFY(!journal.saveNumbers("2\r\n", started));
        QCOMPARE(journal.takeNotice(), QString());
    }
};

QTEST_GUILESS_MAIN(TestDrawJournal)
#include "test_DrawJournal.moc"
