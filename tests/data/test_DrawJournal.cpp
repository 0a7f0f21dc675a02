#include "DrawJournal.h"
#include "SaveFile.h"
#include "common/FileSizeLimit.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime started(QDate(2026, 12, 9), QTime(0, 38, 2));
const QDateTime startOfToday(QDate(2026, 12, 10), QTime(18, 0, 0));

// One journal of a start-up row: its file name, content and state file (empty: none). A content
// starting with "->" makes a link to the named path instead; "big" a file too large to read;
// "locked" one that cannot be read.
struct JournalFile
{
    QString name;
    QByteArray content;
    QByteArray state;
};
using JournalFiles = QList<JournalFile>;

QByteArray utf16(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

QByteArray randomBytes(int size)
{
    QRandomGenerator generator(29);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray state(const QByteArray& keys)
{
    return "[Cekilis]\r\n" + keys;
}
} // namespace
Q_DECLARE_METATYPE(JournalFiles)

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
        const QStringList listed = QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
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

    // Which evening the start offers depends on what the journals hold, never on names alone;
    // a journal that cannot be taken into account is named in one line.
    void startFindsWhatTheJournalsHold_data()
    {
        QTest::addColumn<JournalFiles>("files");
        QTest::addColumn<QString>("offered"); // empty: none
        QTest::addColumn<QByteArrayList>("winners");
        QTest::addColumn<int>("notices");
        QTest::addColumn<int>("damaged");
        const QString future = QStringLiteral("Cekilis-2027-06-01_20-00-00.txt");
        const QString today = QStringLiteral("Cekilis-2026-12-10_17-00-00.txt");
        const QString yesterday = QStringLiteral("Cekilis-2026-12-09_19-00-00.txt");
        const QByteArray two("Ali\tSaat\r\nVeli\tTop\r\n");
        const QByteArray one("Can\tKalem\r\n");
        const QByteArrayList ali{"Ali", "Veli"};
        QTest::newRow("declined, dated in the future: today's is offered")
            << JournalFiles{{future, two, state("Sorma=True\r\n")}, {today, one, {}}} << today << QByteArrayList{"Can"}
            << 0 << 0;
        QTest::newRow("unsaved, dated in the future: counts after today's")
            << JournalFiles{{future, two, {}}, {today, one, {}}} << today << QByteArrayList{"Can"} << 0 << 0;
        QTest::newRow("only one dated in the future: offered")
            << JournalFiles{{future, two, {}}} << future << ali << 0 << 0;
        QTest::newRow("declined newest: the unsaved one before it")
            << JournalFiles{{today, one, state("Sorma=True\r\n")}, {yesterday, two, {}}} << yesterday << ali << 0 << 0;
        QTest::newRow("saved newest: nothing older")
            << JournalFiles{{today, one, state("Kaydedilen=1\r\n")}, {yesterday, two, {}}} << QString()
            << QByteArrayList() << 0 << 0;
        QTest::newRow("the start time inside counts, not the name")
            << JournalFiles{{yesterday, two, state("Basladi=2026-12-10T17:30:00\r\n")}, {today, one, {}}} << yesterday
            << ali << 0 << 0;
        QTest::newRow("unreadable newest: named, nothing older offered")
            << JournalFiles{{today, "locked", {}}, {yesterday, two, {}}} << QString() << QByteArrayList() << 1 << 0;
        QTest::newRow("link to a device: named, the one before offered")
            << JournalFiles{{today, "->/dev/zero", {}}, {yesterday, two, {}}} << yesterday << ali << 1 << 0;
        QTest::newRow("larger than the program writes: named")
            << JournalFiles{{today, "big", {}}, {yesterday, two, {}}} << yesterday << ali << 1 << 0;
        QTest::newRow("random bytes: set aside with a line")
            << JournalFiles{{today, randomBytes(300000), {}}, {yesterday, two, {}}} << yesterday << ali << 1 << 0;
        QTest::newRow("re-saved as UTF-8")
            << JournalFiles{{today, QStringLiteral("Ayşe Kaya\tÜtü\r\nAli\tSaat\r\n").toUtf8(), {}}} << today
            << QByteArrayList{"Ay\xFE"
                              "e Kaya",
                              "Ali"}
            << 0 << 0;
        QTest::newRow("re-saved as UTF-8 with a mark, LF")
            << JournalFiles{{today, "\xEF\xBB\xBF" + QStringLiteral("Şule\tÜtü\nAli\tSaat\n").toUtf8(), {}}} << today
            << QByteArrayList{"\xDEule", "Ali"} << 0 << 0;
        QTest::newRow("re-saved as UTF-16")
            << JournalFiles{{today, utf16(QStringLiteral("Ayşe Kaya\tÜtü\r\nAli\tSaat\r\n")), {}}} << today
            << QByteArrayList{"Ay\xFE"
                              "e Kaya",
                              "Ali"}
            << 0 << 0;
        QTest::newRow("LF line ends, the last one dropped")
            << JournalFiles{{today, "Ali\tSaat\nVeli\tTop", {}}} << today << ali << 0 << 0;
        QTest::newRow("a line without TAB does not tear the next")
            << JournalFiles{{today,
                             "Ay\xFE"
                             "e Kaya\r\nAli\tSaat\r\nVeli\tTop\r\n",
                             {}}}
            << today << ali << 0 << 1;
        QTest::newRow("lines the tables cannot hold")
            << JournalFiles{{today,
                             QByteArray(41, 'A') + "\tSaat\r\nAli\tSaat\r\n\tTop\r\nVeli\tTop\r\nX\tA\tB\r\n"
                                                   "Ece\tKi\x1Bt\r\nCan\tKalem\r\nZeki\tTop\r\nNur\tTop\r\n",
                             {}}}
            << today << QByteArrayList{"Ali", "Veli", "Can", "Zeki", "Nur"} << 0 << 4;
    }
    void startFindsWhatTheJournalsHold()
    {
        QFETCH(JournalFiles, files);
        QFETCH(QString, offered);
        QFETCH(QByteArrayList, winners);
        QFETCH(int, notices);
        QFETCH(int, damaged);
        QTemporaryDir dir;
        for (const JournalFile& journal : files)
        {
            const QString path = dir.filePath(journal.name);
            if (journal.content.startsWith("->"))
            {
#ifdef Q_OS_WIN
                QSKIP("no links to devices here");
#else
                QVERIFY(QFile::link(QString::fromLatin1(journal.content.mid(2)), path));
#endif
            }
            else if (journal.content == "big")
            {
                QFile big(path);
                QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(TDrawJournal::MaxJournalBytes + 1));
            }
            else
                writeAll(path, journal.content == "locked" ? QByteArray("Ali\tSaat\r\n") : journal.content);
            if (journal.content == "locked")
            {
                QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
                if (QFile(path).open(QIODevice::ReadOnly))
                    QSKIP("files can be read without permission here");
            }
            if (!journal.state.isEmpty())
                writeAll(TDrawJournal::stateFile(path), journal.state);
        }
        const TStartupJournals found = TDrawJournal::findAtStart(dir.path(), startOfToday);
        QCOMPARE(found.notices.size(), notices);
        for (const QString& notice : found.notices)
            QVERIFY2(notice.contains(QDir::toNativeSeparators(dir.filePath(files.first().name))), qPrintable(notice));
        QCOMPARE(found.evening ? QFileInfo(found.evening->file).fileName() : QString(), offered);
        if (!found.evening)
            return;
        QByteArrayList names;
        for (const auto& winner : found.evening->winners)
            names << winner.first;
        QCOMPARE(names, winners);
        QCOMPARE(found.evening->damagedLines, damaged);

        // Gone on with: the next winner follows in the program's own form and is read back with
        // the others, and a journal set aside is not named again.
        const QByteArray before = readAll(found.evening->file);
        TDrawJournal journal(dir.path(), startOfToday);
        journal.resume(*found.evening);
        QVERIFY(journal.appendWinner("Ece", "Kitap"));
        if (found.evening->encoding.isEmpty())
            QCOMPARE(readAll(found.evening->file), before.left(before.lastIndexOf('\n') + 1) + "Ece\tKitap\r\n");
        const TStartupJournals again = TDrawJournal::findAtStart(dir.path(), startOfToday);
        QVERIFY(again.evening);
        QCOMPARE(again.evening->file, found.evening->file);
        QCOMPARE(again.evening->winners.size(), winners.size() + 1);
        QCOMPARE(again.evening->winners.constLast(), (QPair<QByteArray, QByteArray>("Ece", "Kitap")));
        QCOMPARE(again.evening->encoding, QString());
        QCOMPARE(again.notices.size(), notices - int(files.first().content.size() == 300000));
    }

    // What the question says of the evening: the winners no "Kaydet" saved, and a cut-off name
    // only when the state knew of the winner whose reveal did not end.
    void questionCountsAndCutOff_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<int>("unsaved");
        QTest::addColumn<bool>("cutOff");
        QTest::newRow("no state file") << QByteArray() << 3 << false;
        QTest::newRow("state written before the last winner") << state("Cekilen=2\r\nGosterilen=2\r\n") << 3 << false;
        QTest::newRow("the last name cut off") << state("Cekilen=3\r\nGosterilen=2\r\n") << 3 << true;
        QTest::newRow("a state larger than the program writes is not read")
            << state("Kaydedilen=3\r\n" + QByteArray(int(TDrawJournal::MaxStateBytes), ';')) << 3 << false;
        QTest::newRow("two saved, one more drawn")
            << state("Cekilen=3\r\nGosterilen=3\r\nKaydedilen=2\r\n") << 1 << false;
    }
    void questionCountsAndCutOff()
    {
        QFETCH(QByteArray, state);
        QFETCH(int, unsaved);
        QFETCH(bool, cutOff);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Cekilis-2026-12-09_19-00-00.txt"));
        writeAll(file, "Ali\tSaat\r\nVeli\tTop\r\nCan\tKalem\r\n");
        if (!state.isEmpty())
            writeAll(TDrawJournal::stateFile(file), state);
        const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dir.path());
        QVERIFY(evening);
        QCOMPARE(evening->unsaved(), unsaved);
        QCOMPARE(evening->cutOff, cutOff);
    }

    // A run's state file follows each winner as it is appended and shown.
    void stateFollowsTheWinners()
    {
        QTemporaryDir dir;
        TDrawJournal run(dir.path(), started);
        QVERIFY(run.appendWinner("Ali", "Saat"));
        QVERIFY(TDrawJournal::findUnsaved(dir.path())->cutOff);
        run.winnerShown();
        QVERIFY(run.appendWinner("Veli", "Top"));
        const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dir.path());
        QCOMPARE(evening->shown, 1);
        QVERIFY(evening->cutOff);
        QCOMPARE(evening->started, started);
        run.winnerShown();
        QVERIFY(!TDrawJournal::findUnsaved(dir.path())->cutOff);

        // A state file that cannot be written (a folder in its place) tells nothing of a cut-off.
        QTemporaryDir blocked;
        TDrawJournal other(blocked.path(), started);
        QVERIFY(QDir().mkpath(TDrawJournal::stateFile(other.winnersFile())));
        QVERIFY(other.appendWinner("Ali", "Saat"));
        other.winnerShown();
        QVERIFY(other.appendWinner("Veli", "Top"));
        other.winnerShown();
        const std::optional<TUnsavedEvening> unknown = TDrawJournal::findUnsaved(blocked.path());
        QVERIFY(unknown);
        QCOMPARE(unknown->winners.size(), 2);
        QVERIFY(!unknown->cutOff);
    }

    // A re-saved journal that cannot be written back in the program's form is left as it is; the
    // evening goes on whole, in the program's form, in a file of the run.
    void reSavedJournalThatCannotBeWrittenBack()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Cekilis-2026-12-09_19-00-00.txt"));
        const QByteArray utf8 = QStringLiteral("Ayşe Kaya\tÜtü\nAli\tSaat\n").toUtf8();
        writeAll(file, utf8);
        const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dir.path());
        QVERIFY(evening);
        TDrawJournal journal(dir.path(), startOfToday);
        {
            SaveFileFaults faults;
            faults.failSync = true;
            const SaveFileFaults before = setSaveFileFaults(faults);
            journal.resume(*evening);
            setSaveFileFaults(before);
        }
        QVERIFY(journal.appendWinner("Ece", "Kitap"));
        QCOMPARE(readAll(file), utf8);
        QVERIFY(journal.winnersFile() != file);
        QCOMPARE(readAll(journal.winnersFile()), QByteArray("Ay\xFE"
                                                            "e Kaya\t\xDCt\xFC\r\nAli\tSaat\r\nEce\tKitap\r\n"));
        const std::optional<TUnsavedEvening> again = TDrawJournal::findUnsaved(dir.path());
        QVERIFY(again);
        QCOMPARE(again->file, journal.winnersFile());
        QCOMPARE(again->winners.size(), 3);
    }

    // A journal of a hundred thousand winners of the longest names is read whole.
    void longEveningResumes()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Cekilis-2026-12-09_19-00-00.txt"));
        QByteArray bytes;
        for (int i = 0; i < 100000; ++i)
            bytes += winnerLine(QByteArray::number(i).leftJustified(40, 'x'), QByteArray(40, 'h'));
        writeAll(file, bytes);
        const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dir.path());
        QVERIFY(evening);
        QCOMPARE(evening->winners.size(), 100000);
        QCOMPARE(evening->damagedLines, 0);
    }

    // The last number draw of a run is offered while it was cut short or not saved.
    void numberDrawFound_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<QByteArray>("state"); // empty: none
        QTest::addColumn<QList<qint64>>("offered");
        QTest::addColumn<bool>("finished");
        const QByteArray plan("Baslangic=1\r\nBitis=50\r\nAdet=6\r\n");
        QTest::newRow("killed after three of six")
            << QByteArray("7\r\n42\r\n3\r\n") << state(plan) << QList<qint64>{7, 42, 3} << false;
        QTest::newRow("line cut by the crash, a line repeated, a line damaged")
            << QByteArray("7\r\n42\r\n7\r\nx\r\n3\r\n4") << state(plan) << QList<qint64>{7, 42, 3} << false;
        QTest::newRow("finished, not saved")
            << QByteArray("7\r\n42\r\n") << state(plan + "Bitti=True\r\n") << QList<qint64>{7, 42} << true;
        QTest::newRow("finished and saved")
            << QByteArray("7\r\n42\r\n") << state(plan + "Bitti=True\r\nKaydedildi=True\r\n") << QList<qint64>()
            << true;
        QTest::newRow("declined") << QByteArray("7\r\n") << state(plan + "Sorma=True\r\n") << QList<qint64>() << false;
        QTest::newRow("without a state") << QByteArray("7\r\n42\r\n") << QByteArray() << QList<qint64>() << false;
    }
    void numberDrawFound()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(QByteArray, state);
        QFETCH(QList<qint64>, offered);
        QFETCH(bool, finished);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Sayilar-2026-12-09_19-00-00.txt"));
        writeAll(file, numbers);
        if (!state.isEmpty())
            writeAll(TDrawJournal::stateFile(file), state);
        const std::optional<TUnsavedNumbers> found = TDrawJournal::findAtStart(dir.path(), startOfToday).numbers;
        QCOMPARE(found.has_value(), !offered.isEmpty());
        if (!found)
            return;
        QCOMPARE(found->numbers, offered);
        QCOMPARE(found->finished, finished);
        QCOMPARE(found->requested, 6);
        QCOMPARE(found->first, qint64(1));
        QCOMPARE(found->last, qint64(50));

        // Gone on with: the next numbers follow the whole lines; once finished and saved, nothing.
        TDrawJournal journal(dir.path(), startOfToday);
        journal.resumeNumbers(*found);
        QVERIFY(journal.appendNumbers("9\r\n"));
        QCOMPARE(journal.numbersFile(), file);
        const std::optional<TUnsavedNumbers> again = TDrawJournal::findAtStart(dir.path(), startOfToday).numbers;
        QVERIFY(again);
        QCOMPARE(again->numbers, offered + QList<qint64>{9});
        journal.numbersFinished();
        journal.numbersSaved();
        QVERIFY(!TDrawJournal::findAtStart(dir.path(), startOfToday).numbers);
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
