#include "DrawJournal.h"
#include "FileDialogs.h"
#include "NumberDraw.h"
#include "ProgramFolder.h"
#include "SaveFile.h"
#include "common/ExceptionRecorder.h"
#include "common/FileSizeLimit.h"
#include "common/PageRigs.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {
QList<qint64> sorted(QList<qint64> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

const QString done = QStringLiteral("Bilgi: İşlem tamamlandı...");
} // namespace

// Saving the drawn numbers, by the button and in the journal after every finished draw.
class TestNumberDrawSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveRefusedBeforeAnyDraw()
    {
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        NumberPageRig page;
        page.draw->ZvWinButton4Click();
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Öncelikle çelilişi yapınız.")});
        QVERIFY(dialogs.requests.isEmpty());
    }

    void saveWritesOneLinePerNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QString>("written");

        QTest::newRow("new file") << QStringLiteral("sonuc.txt") << QByteArray() << QStringLiteral("sonuc.txt");
        QTest::newRow("bare name") << QStringLiteral("sonuc") << QByteArray() << QStringLiteral("sonuc.TXT");
        QTest::newRow("longer file replaced")
            << QStringLiteral("eski.txt") << QByteArray(500, 'x') << QStringLiteral("eski.txt");
    }

    void saveWritesOneLinePerNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, existing);
        QFETCH(QString, written);

        TemporaryProgramFolder folder;
        QVERIFY(folder.isValid());
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        NumberPageRig page;
        page.drawEvery(18, 20);
        QCOMPARE(sorted(page.drawn()), (QList<qint64>{18, 19, 20}));
        messages.clear();
        // The lines as the list shows them, in the order drawn.
        QByteArray lines;
        for (int i = 0; i < page.ListBox1->count(); ++i)
            lines += page.ListBox1->item(i)->text().toLatin1() + "\r\n";
        QCOMPARE(lines.size(), 12);
        if (!existing.isEmpty())
            writeAll(folder.filePath(written), existing);

        // Saving does not clear the list, so the same results can be saved twice.
        for (int round = 0; round < 2; ++round)
        {
            dialogs.setNextFileName(folder.filePath(typed));
            page.draw->ZvWinButton4Click();
            QFile file(folder.filePath(written));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), lines);
            QCOMPARE(page.ListBox1->count(), 3);
        }
        QCOMPARE(messages.shown, QStringList());
        QCOMPARE(dialogs.requests.size(), 2);
        QCOMPARE(dialogs.last().kind, FileDialogRequest::Save);
        QCOMPARE(dialogs.last().initialDir, folder.path() + QLatin1Char('/'));
        QCOMPARE(dialogs.last().filter, QStringLiteral("Txt Dosyaları|*.txt"));
        QCOMPARE(dialogs.last().defaultExt, QStringLiteral("TXT"));
        // Nothing but the file itself is left in the folder (no temporary file).
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{written});
    }

    // A cancelled save writes nothing; a failed one says so and keeps the old file byte for byte.
    void saveCancelledOrFailing()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        NumberPageRig page;
        {
            ScopedExceptionRecorder errors;
            page.drawEvery(5, 7);
            messages.clear();

            dialogs.setNextFileName(QString()); // cancelled
            page.draw->ZvWinButton4Click();
            QCOMPARE(messages.shown, QStringList());

            const QString missingFolder = folder.filePath(QStringLiteral("yok/sonuc.txt"));
            dialogs.setNextFileName(missingFolder);
            page.draw->ZvWinButton4Click();
            QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + SaveFailedText(missingFolder)});
            QVERIFY(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

            QVERIFY(errors.errors().isEmpty());
        }
        QCOMPARE(page.ListBox1->count(), 3);

        const QString old = folder.filePath(QStringLiteral("eski.txt"));
        writeAll(old, "7\r\n");
        messages.clear();
        dialogs.setNextFileName(old);
        if (!atomicSaveNoticesACutWrite(folder.path()))
            QSKIP("the atomic save does not notice a cut write here");
        {
            FileSizeLimit full(5);
            page.draw->ZvWinButton4Click();
        }
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + SaveFailedText(old)});
        QCOMPARE(readAll(old), QByteArray("7\r\n"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("eski.txt")});
    }

    // Every finished draw leaves its list in a file of its own; one that cannot be written lets
    // the draw end as usual and is told about once, after the end.
    void finishedDrawLeavesItsList_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("journal written") << false;
        QTest::newRow("journal cannot be written") << true;
    }
    void finishedDrawLeavesItsList()
    {
        QFETCH(bool, blocked);
        TemporaryProgramFolder folder;
        QVERIFY(folder.isValid());
        if (blocked)
            writeAll(folder.filePath(QStringLiteral("Data")), "a file where the folder should be");
        ScriptedMessages messages;
        SeededClock clock;
        TDrawJournal journal(dataFolder());
        NumberPageRig page(&journal);
        page.setBounds(1, 100, 5);
        // Every number is on the disk by the time it reaches the list.
        QByteArray listedWhenShown;
        QByteArray journalWhenShown;
        QObject::connect(page.ListBox1->model(), &QAbstractItemModel::rowsInserted, [&] {
            listedWhenShown.clear();
            for (int row = 0; row < page.ListBox1->count(); ++row)
                listedWhenShown += page.ListBox1->item(row)->text().toLatin1() + "\r\n";
            journalWhenShown = readAll(journal.numbersFile());
        });
        QStringList lists;
        for (int draw = 0; draw < 2; ++draw)
        {
            page.draw->ZvWinButton1Click();
            QVERIFY(page.idle());
            QCOMPARE(page.ListBox1->count(), 5);
            QByteArray list;
            for (qint64 n : page.drawn())
                list += QByteArray::number(n) + "\r\n";
            if (!blocked)
            {
                QCOMPARE(readAll(journal.numbersFile()), list);
                QCOMPARE(journalWhenShown, listedWhenShown);
            }
            lists << QFileInfo(journal.numbersFile()).fileName();
        }
        if (blocked)
        {
            // Told once, naming the first draw's file: the second may end in a later second.
            const QString first = QDir(dataFolder()).filePath(lists.first());
            QCOMPARE(messages.shown,
                     (QStringList{done, QStringLiteral("Bilgi: ") + TDrawJournal::numbersFailedText(first), done}));
            return;
        }
        QCOMPARE(messages.shown, (QStringList{done, done}));
        QCOMPARE(QDir(dataFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files), lists);
        QVERIFY(lists.at(0).startsWith(QStringLiteral("Sayilar-")));
    }

    // A number draw killed part-way is put back at the next start: "Zar At" completes it into the
    // same list and file without a number the hall saw; a finished one starts a new list.
    void resumedDrawGoesOn_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::newRow("killed after three of six") << false;
        QTest::newRow("finished, not saved") << true;
    }
    void resumedDrawGoesOn()
    {
        QFETCH(bool, finished);
        TemporaryProgramFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(QDir().mkpath(dataFolder()));
        const QString killed = QDir(dataFolder()).filePath(QStringLiteral("Sayilar-2026-12-09_19-00-00.txt"));
        writeAll(killed, "7\r\n2\r\n5\r\n");
        writeAll(TDrawJournal::stateFile(killed), "[Cekilis]\r\nBaslangic=1\r\nBitis=8\r\nAdet=6\r\nBitti=" +
                                                      QByteArray(finished ? "True" : "False") + "\r\n");
        const std::optional<TUnsavedNumbers> found = TDrawJournal::findAtStart(dataFolder()).numbers;
        QVERIFY(found);
        ScriptedMessages messages;
        SeededClock clock;
        TDrawJournal journal(dataFolder());
        NumberPageRig page(&journal);
        page.addRange(4, 4);
        journal.resumeNumbers(*found);
        page.draw->resume(found->numbers, found->first, found->last, found->requested, found->finished);
        QCOMPARE(page.shown(), (QList<qint64>{7, 2, 5}));
        QCOMPARE(page.SpinBTS->value(), 8);
        QCOMPARE(page.SpinADET->value(), 6);

        QTest::mouseClick(page.form.ZvWinButton1, Qt::LeftButton);
        QVERIFY(page.idle());
        const QList<qint64> drawn = page.shown();
        QCOMPARE(drawn.size(), 6);
        QCOMPARE(drawn.mid(0, 3) == (QList<qint64>{7, 2, 5}), !finished);
        QVERIFY(!drawn.contains(4));
        QCOMPARE(QSet<qint64>(drawn.begin(), drawn.end()).size(), 6);
        QByteArray lines;
        for (qint64 n : drawn)
            lines += QByteArray::number(n) + "\r\n";
        QCOMPARE(readAll(journal.numbersFile()), lines);
        QCOMPARE(journal.numbersFile() == killed, !finished);
        QCOMPARE(messages.shown, QStringList{done});
        // Finished now, but not saved: offered once more, until "Kaydet" or "Hayır".
        QCOMPARE(TDrawJournal::findAtStart(dataFolder()).numbers->numbers, drawn);
    }
};

QTEST_MAIN(TestNumberDrawSave)
#include "test_NumberDrawSave.moc"
