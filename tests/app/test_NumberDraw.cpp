#include "Guard.h"
#include "Messages.h"
#include "NumberDraw.h"
#include "Random.h"
#include "RxDice.h"
#include "RxMemoryData.h"
#include "SpinEdit.h"
#include "common/ExceptionRecorder.h"
#include "common/FakeClock.h"
#include "common/PageRigs.h"
#include "common/ScriptedMessages.h"

#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <memory>

namespace {
constexpr int intMin = std::numeric_limits<int>::min();
constexpr int intMax = std::numeric_limits<int>::max();

using Ranges = QList<QPair<int, int>>;

QList<qint64> sequence(qint64 first, qint64 last)
{
    QList<qint64> numbers;
    for (qint64 n = first; n <= last; ++n)
        numbers << n;
    return numbers;
}

QList<qint64> sorted(QList<qint64> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

const QString done = QStringLiteral("Bilgi: İşlem tamamlandı...");
const QString boundsRefused = QStringLiteral("Bilgi: Bitiş sayısı Başlangıç sayısından büyük olmalıdır.");
const QString countRefused =
    QStringLiteral("Bilgi: Çekilecek Sayı Adedi, Çekilişe girecek sayıdan daha büyük\r\nLütfen kontrol ediniz...");
} // namespace

class TestNumberDraw : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countShownOnlyForTheButton_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QString>("shown");

        QTest::newRow("no rows") << 1 << 100 << Ranges{} << QStringLiteral("100");
        QTest::newRow("lower half") << 1 << 100 << Ranges{{1, 50}} << QStringLiteral("50");
        QTest::newRow("row reaching past the end") << 1 << 100 << Ranges{{50, 150}} << QStringLiteral("100");
        QTest::newRow("overlapping rows") << 1 << 100 << Ranges{{10, 20}, {15, 25}} << QStringLiteral("78");
        QTest::newRow("end below start") << 10 << 5 << Ranges{} << QStringLiteral("-4");
        QTest::newRow("whole 32-bit range") << intMin << intMax << Ranges{} << QStringLiteral("4294967296");
        QTest::newRow("rows summing past 32 bits")
            << 0 << intMax << Ranges{{1, intMax}, {1, intMax}} << QStringLiteral("-2147483646");
    }

    void countShownOnlyForTheButton()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(Ranges, ranges);
        QFETCH(QString, shown);

        ScriptedMessages messages;
        NumberPageRig page;
        page.setBounds(start, end, 1);
        page.addRanges(ranges);

        page.draw->ZvWinButton3Click(&page.window);
        QCOMPARE(messages.shown, QStringList());
        QCOMPARE(QString::number(page.draw->KalanSayi()), shown);

        page.draw->ZvWinButton3Click(page.ZvWinButton3);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Kalan Sayı : ") + shown});
        messages.clear();
        Q_EMIT page.ZvWinButton3->clicked();
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Kalan Sayı : ") + shown});
        // The count walks the table; the grid follows it to the end.
        QVERIFY(page.Rx_T.eof() || page.Rx_T.isEmpty());
    }

    void drawRefused_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("count");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QString>("message");

        QTest::newRow("equal bounds") << 5 << 5 << 1 << Ranges{} << boundsRefused;
        QTest::newRow("end below start") << 10 << 5 << 1 << Ranges{} << boundsRefused;
        QTest::newRow("one more than the count") << 1 << 100 << 51 << Ranges{{1, 50}} << countRefused;
        QTest::newRow("overlaps counted twice") << 1 << 100 << 79 << Ranges{{10, 20}, {15, 25}} << countRefused;
        QTest::newRow("negative count") << 1 << 10 << 1 << Ranges{{1, 8}, {1, 8}} << countRefused;
    }

    void drawRefused()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, count);
        QFETCH(Ranges, ranges);
        QFETCH(QString, message);

        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.drawEvery(41, 42);
        const QList<qint64> earlier = page.drawn();
        QCOMPARE(sorted(earlier), (QList<qint64>{41, 42}));
        page.Label2->setText(QStringLiteral("Çekiliş Sonuçları"));
        messages.clear();
        page.addRanges(ranges);
        page.setBounds(start, end, count);

        page.draw->ZvWinButton1Click();
        QCOMPARE(messages.shown, QStringList{message});
        // Nothing changed: the previous results stay, the page never went busy.
        QCOMPARE(page.drawn(), earlier);
        QCOMPARE(page.shown(), earlier);
        QCOMPARE(page.Label2->text(), QStringLiteral("Çekiliş Sonuçları"));
        QVERIFY(page.idle());
        QVERIFY(clock.sleeps.isEmpty());
    }

    void drawTakesDistinctEligibleNumbers_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("count");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QList<qint64>>("exactly"); // empty: any distinct eligible numbers

        QTest::newRow("ten of a hundred") << 1 << 100 << 10 << Ranges{} << QList<qint64>{};
        QTest::newRow("all of ten") << 1 << 10 << 10 << Ranges{} << sequence(1, 10);
        QTest::newRow("upper half") << 1 << 100 << 50 << Ranges{{1, 50}} << sequence(51, 100);
        QTest::newRow("from zero") << 0 << 10 << 1 << Ranges{{1, 10}} << QList<qint64>{0};
        QTest::newRow("single-number rows") << 1 << 5 << 3 << Ranges{{2, 2}, {4, 4}} << QList<qint64>{1, 3, 5};
        QTest::newRow("overlap counted twice") << 1 << 100 << 78 << Ranges{{10, 20}, {15, 25}} << QList<qint64>{};
        QTest::newRow("top of 32 bits") << intMax - 9 << intMax << 10 << Ranges{} << sequence(intMax - 9, intMax);
        QTest::newRow("bottom of 32 bits") << intMin << intMin + 4 << 5 << Ranges{} << sequence(intMin, intMin + 4);
        QTest::newRow("whole 32-bit range") << intMin << intMax << 20 << Ranges{} << QList<qint64>{};
    }

    void drawTakesDistinctEligibleNumbers()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, count);
        QFETCH(Ranges, ranges);
        QFETCH(QList<qint64>, exactly);

        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.drawEvery(-999, -998); // cleared by a draw that starts
        messages.clear();
        page.addRanges(ranges);
        page.setBounds(start, end, count);

        page.draw->ZvWinButton1Click();
        QCOMPARE(messages.shown, QStringList{done});
        QCOMPARE(page.shown(), page.drawn());
        QVERIFY(page.idle());
        QVERIFY(!page.Rx_T.controlsDisabled());

        const QList<qint64> numbers = page.drawn();
        QCOMPARE(numbers.size(), count);
        QCOMPARE(QSet<qint64>(numbers.begin(), numbers.end()).size(), count);
        for (qint64 n : numbers)
        {
            QVERIFY2(n >= start && n <= end, qPrintable(QString::number(n)));
            for (const auto& [first, last] : ranges)
                QVERIFY2(n < first || n > last, qPrintable(QString::number(n)));
        }
        if (!exactly.isEmpty())
            QCOMPARE(sorted(numbers), exactly);
        QCOMPARE(page.Label2->text(), QStringLiteral("Çekiliş Sonuçları : ") + QString::number(count));
    }

    void drawEndsWhenTheEligibleNumbersRunOut_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("count");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QList<qint64>>("exactly");

        QTest::newRow("row reaching past the end") << 1 << 100 << 60 << Ranges{{50, 150}} << sequence(1, 49);
        QTest::newRow("row reaching below start") << 10 << 20 << 11 << Ranges{{1, 15}} << sequence(16, 20);
        QTest::newRow("nothing eligible") << 1 << 10 << 1 << Ranges{{1, 20}} << QList<qint64>{};
        QTest::newRow("zero only") << 0 << 5 << 5 << Ranges{{1, 9}} << QList<qint64>{0};
    }

    void drawEndsWhenTheEligibleNumbersRunOut()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, count);
        QFETCH(Ranges, ranges);
        QFETCH(QList<qint64>, exactly);

        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.addRanges(ranges);
        page.setBounds(start, end, count);

        bool idleAtNotice = false;
        messages.onShow = [&](const QString&) { idleAtNotice = page.idle(); };
        page.draw->ZvWinButton1Click();

        QCOMPARE(messages.shown,
                 QStringList{QStringLiteral("Bilgi: ") + TNumberDraw::exhaustedMessage(count, int(exactly.size()))});
        QVERIFY(idleAtNotice);
        QVERIFY(page.idle());
        QCOMPARE(sorted(page.drawn()), exactly);
    }

    void drawPacesItselfPerRowExamined()
    {
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        // Rows that no number of 1..100 falls into: every pick examines all three.
        page.addRange(200, 300);
        page.addRange(400, 500);
        page.addRange(600, 700);
        page.setBounds(1, 100, 5);

        bool pumped = false;
        QTimer::singleShot(0, &page.window, [&] { pumped = true; });
        int busySleeps = 0;
        int sleepsBeforePump = 0;
        clock.onSleep = [&](int) {
            if (!page.window.isEnabled() && page.RxDice1->isVisible() && page.RxDice1->Rotate() &&
                page.Rx_T.controlsDisabled())
                ++busySleeps;
            if (!pumped)
                ++sleepsBeforePump;
        };
        const int readingsBefore = clock.readings;
        page.draw->ZvWinButton1Click();

        const int picks = clock.readings - readingsBefore;
        QVERIFY(picks >= 5);
        QCOMPARE(clock.sleeps.size(), 3 * picks);
        QCOMPARE(QSet<int>(clock.sleeps.begin(), clock.sleeps.end()), QSet<int>{TNumberDraw::PauseMs});
        QCOMPARE(busySleeps, clock.sleeps.size());
        QCOMPARE(sleepsBeforePump, 0);
        QCOMPARE(messages.shown, QStringList{done});
        QVERIFY(page.idle());
    }

    void listGrowsWhileThePacedDrawRuns()
    {
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.addRange(200, 300); // two pauses per pick, longer than the list's refresh interval
        page.addRange(400, 500);
        page.setBounds(1, 100, 8);
        QList<int> behind;
        clock.onSleep = [&](int) {
            const int shown = page.Label2->text().section(QLatin1Char(' '), -1).toInt();
            behind << shown - page.ListBox1->count();
        };
        page.draw->ZvWinButton1Click();
        QCOMPARE(page.drawn().size(), 8);
        QVERIFY(!behind.isEmpty());
        QCOMPARE(QSet<int>(behind.begin(), behind.end()), QSet<int>{0});
    }

    void drawSurvivesWhatRunsInsideItsPumps_data()
    {
        QTest::addColumn<bool>("destroyList");
        QTest::newRow("second start ignored") << false;
        QTest::newRow("list destroyed") << true;
    }

    void drawSurvivesWhatRunsInsideItsPumps()
    {
        QFETCH(bool, destroyList);

        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.addRange(200, 300);
        page.setBounds(1, 100, 6);
        int sleeps = 0;
        clock.onSleep = [&](int) {
            QVERIFY(page.draw->isDrawing());
            if (++sleeps != 3)
                return;
            if (destroyList)
                delete page.ListBox1;
            else
                page.draw->ZvWinButton1Click();
        };
        page.draw->ZvWinButton1Click();

        QVERIFY(!page.draw->isDrawing());
        QVERIFY(page.idle());
        QVERIFY(!page.Rx_T.controlsDisabled());
        if (destroyList)
        {
            // Nothing left to show the results in: the draw stops without a word.
            QCOMPARE(sleeps, 3);
            QCOMPARE(messages.shown, QStringList());
            return;
        }
        QCOMPARE(messages.shown, QStringList{done});
        QCOMPARE(page.drawn().size(), 6);
    }

    void drawStopsPacingAtTheMatchingRow()
    {
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.addRange(1, 50); // a number here costs nothing; any other costs one pause
        page.setBounds(1, 100, 50);
        const int readingsBefore = clock.readings;
        page.draw->ZvWinButton1Click();

        const int picks = clock.readings - readingsBefore;
        QCOMPARE(sorted(page.drawn()), sequence(51, 100));
        QVERIFY(clock.sleeps.size() >= 50);
        QVERIFY(clock.sleeps.size() < picks);
    }

    void drawWithoutRowsDoesNotPause()
    {
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.setBounds(1, 1000, 200);
        page.draw->ZvWinButton1Click();
        QCOMPARE(page.drawn().size(), 200);
        QVERIFY(clock.sleeps.isEmpty());
    }

    void drawEndsWithAFrozenCounter()
    {
        // A clock that only moves when slept on gives every pick of a draw without pauses the
        // same seed; the draw must still find ten different numbers.
        ScriptedMessages messages;
        FakeClock clock;
        NumberPageRig page;
        page.setBounds(1, 100, 10);
        page.draw->ZvWinButton1Click();
        const QList<qint64> numbers = page.drawn();
        QCOMPARE(QSet<qint64>(numbers.begin(), numbers.end()).size(), 10);
        QCOMPARE(messages.shown, QStringList{done});
    }

    void mostlyExcludedDrawEndsSoon_data()
    {
        QTest::addColumn<int>("end");
        QTest::newRow("1..100000") << 100000;
        QTest::newRow("1..100000000") << 100000000;
    }

    void mostlyExcludedDrawEndsSoon()
    {
        // 100 eligible numbers at the top of the range: without a bound on the rejected picks
        // the draw takes longer the wider the range.
        QFETCH(int, end);
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.addRange(1, end - 100);
        page.setBounds(1, end, 100);
        const int readingsBefore = clock.readings;
        page.draw->ZvWinButton1Click();
        QCOMPARE(messages.shown, QStringList{done});
        QCOMPARE(sorted(page.drawn()), sequence(end - 99, end));
        const int picks = clock.readings - readingsBefore;
        QVERIFY2(picks <= 100 * (TNumberDraw::MaxRejectedPicks + 1), qPrintable(QString::number(picks)));
        // Each number taken still costs its pause for the one row it was checked against.
        QVERIFY(clock.sleeps.size() >= 100);
    }

    void drawIsUniformOverTheEligibleNumbers_data()
    {
        QTest::addColumn<int>("end");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<QList<qint64>>("eligible");
        QTest::newRow("a few rows") << 20 << Ranges{{3, 5}, {10, 10}, {15, 18}}
                                    << QList<qint64>{1, 2, 6, 7, 8, 9, 11, 12, 13, 14, 19, 20};
        // Nearly every pick is rejected, so the draw mostly picks among the eligible numbers.
        QTest::newRow("mostly excluded") << 100000 << Ranges{{3, 99990}}
                                         << QList<qint64>{1,     2,     99991, 99992, 99993, 99994,
                                                          99995, 99996, 99997, 99998, 99999, 100000};
    }

    void drawIsUniformOverTheEligibleNumbers()
    {
        QFETCH(int, end);
        QFETCH(Ranges, ranges);
        QFETCH(QList<qint64>, eligible);
        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        // Thousands of draws: repainting the whole window for each would take most of a minute.
        page.window.hide();
        page.addRanges(ranges);
        page.setBounds(1, end, 1);

        const int draws = 2400;
        QHash<qint64, int> seen;
        for (int i = 0; i < draws; ++i)
        {
            page.draw->ZvWinButton1Click();
            const QList<qint64> numbers = page.drawn();
            QCOMPARE(numbers.size(), 1);
            ++seen[numbers.first()];
        }
        QCOMPARE(sorted(seen.keys()), eligible);

        // Chi-square with 11 degrees of freedom (12 numbers); 31.26 is its 0.1 % critical value. The seeds
        // come from a fixed sequence, so the outcome is the same on every run.
        const double expected = double(draws) / double(eligible.size());
        double chi2 = 0;
        for (qint64 n : eligible)
            chi2 += (seen.value(n) - expected) * (seen.value(n) - expected) / expected;
        QVERIFY2(chi2 < 31.26, qPrintable(QString::number(chi2)));
    }

    void rowRule_data()
    {
        QTest::addColumn<QVariant>("first"); // invalid: field left empty
        QTest::addColumn<QVariant>("last");
        QTest::addColumn<QString>("message"); // empty: stored

        QTest::newRow("range") << QVariant(10) << QVariant(20) << QString();
        QTest::newRow("single number") << QVariant(7) << QVariant(7) << QString();
        QTest::newRow("start empty") << QVariant() << QVariant(20) << QStringLiteral("Başlangıç değerini giriniz.");
        QTest::newRow("start zero") << QVariant(0) << QVariant(20) << QStringLiteral("Başlangıç değerini giriniz.");
        QTest::newRow("start negative") << QVariant(-3) << QVariant(5) << QStringLiteral("Başlangıç değerini giriniz.");
        QTest::newRow("both empty") << QVariant() << QVariant() << QStringLiteral("Başlangıç değerini giriniz.");
        QTest::newRow("end empty") << QVariant(5) << QVariant() << QStringLiteral("Bitiş değerini giriniz.");
        QTest::newRow("end negative") << QVariant(5) << QVariant(-1) << QStringLiteral("Bitiş değerini giriniz.");
        QTest::newRow("end below start") << QVariant(7) << QVariant(6)
                                         << QStringLiteral("Bitiş değeri Başlangıç değerinden büyük olmalıdır.");
    }

    void rowRule()
    {
        QFETCH(QVariant, first);
        QFETCH(QVariant, last);
        QFETCH(QString, message);

        ScriptedMessages messages;
        NumberPageRig page;
        page.addRange(1, 2);
        page.Rx_T.append();
        if (first.isValid())
            page.Rx_T.setFieldInteger(0, first.toInt());
        if (last.isValid())
            page.Rx_T.setFieldInteger(1, last.toInt());

        const bool stored = guarded([&] { page.Rx_T.post(); });
        if (message.isEmpty())
        {
            QVERIFY(stored);
            QCOMPARE(messages.shown, QStringList());
            QCOMPARE(page.Rx_T.recordCount(), 2);
            return;
        }
        QVERIFY(!stored);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + message});
        // The refused row stays in editing with what was typed.
        QCOMPARE(page.Rx_T.state(), dsInsert);
        QCOMPARE(page.Rx_T.recordCount(), 1);
        QCOMPARE(page.Rx_T.fieldAsInteger(0), first.toInt());
        QCOMPARE(page.Rx_T.fieldAsInteger(1), last.toInt());
    }

    void resetEmptiesWithoutAsking()
    {
        ScriptedMessages messages;
        NumberPageRig page;
        page.addRange(1, 5);
        page.addRange(7, 9);
        page.draw->ZvWinButton2Click();
        QCOMPARE(page.Rx_T.recordCount(), 0);
        QCOMPARE(messages.shown, QStringList());
    }

    void refusedPendingRowStopsEveryOperation_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("count") << 0;
        QTest::newRow("draw") << 1;
        QTest::newRow("reset") << 2;
        // The same through the page's buttons: the refusal stops in the connection.
        QTest::newRow("count button") << 3;
        QTest::newRow("draw button") << 4;
        QTest::newRow("reset button") << 5;
    }

    void refusedPendingRowStopsEveryOperation()
    {
        QFETCH(int, operation);

        ScriptedMessages messages;
        SeededClock clock;
        NumberPageRig page;
        page.drawEvery(41, 42);
        const QList<qint64> earlier = page.drawn();
        messages.clear();
        page.addRange(1, 5);
        page.Rx_T.append();
        page.Rx_T.setFieldInteger(0, 30); // end left empty

        ScopedExceptionRecorder errors;
        if (operation == 0)
            page.draw->ZvWinButton3Click(page.ZvWinButton3);
        else if (operation == 1)
            page.draw->ZvWinButton1Click();
        else if (operation == 2)
            page.draw->ZvWinButton2Click();
        else
            Q_EMIT(operation == 3   ? page.ZvWinButton3
                   : operation == 4 ? page.form.ZvWinButton1
                                    : page.form.ZvWinButton2)
                ->clicked();
        QCOMPARE(errors.count(), 0);

        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Bitiş değerini giriniz.")});
        QCOMPARE(page.Rx_T.state(), dsInsert);
        QCOMPARE(page.Rx_T.recordCount(), 1);
        QCOMPARE(page.drawn(), earlier);
        QCOMPARE(page.shown(), earlier);
        QVERIFY(page.idle());
        QVERIFY(clock.sleeps.isEmpty());
    }
};

QTEST_MAIN(TestNumberDraw)
#include "test_NumberDraw.moc"
