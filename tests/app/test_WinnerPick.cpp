#include "WinnerPick.h"
#include "common/FakeClock.h"

#include <QTest>

namespace {
// A clock whose high-resolution counter moves on at every read, by an irregular step, so every
// reseed starts from a new but fully reproducible state.
class TickingClock : public FakeClock
{
public:
    quint64 performanceCounter() override
    {
        nowNs += 1000003u + (reads++ % 7u) * 7919u;
        return nowNs;
    }
    quint64 reads = 0;
};

QByteArray nameOf(int i)
{
    return QByteArray("Kişi ") + QByteArray::number(i);
}

// Pearson's statistic of observed counts against equal expectation.
double chiSquare(const QList<int>& counts, int total)
{
    const double expected = double(total) / counts.size();
    double sum = 0;
    for (int n : counts)
        sum += (n - expected) * (n - expected) / expected;
    return sum;
}
} // namespace

class TestWinnerPick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picksUniformlyAmongThoseWhoHaveNotWon_data()
    {
        QTest::addColumn<int>("participants");
        QTest::addColumn<int>("winners");
        QTest::addColumn<double>("critical"); // chi-square at p = 0.001 for participants - winners - 1 degrees
        QTest::newRow("nobody has won") << 20 << 0 << 43.82;
        QTest::newRow("a third has won") << 30 << 10 << 43.82;
        QTest::newRow("all but five have won") << 200 << 195 << 18.47;
    }

    void picksUniformlyAmongThoseWhoHaveNotWon()
    {
        QFETCH(int, participants);
        QFETCH(int, winners);
        QFETCH(double, critical);
        TickingClock clock;
        // Winners are every third participant until there are enough, then the rest in order.
        QList<QByteArray> won;
        for (int i = 0; i < participants && won.size() < winners; i += 3)
            won << nameOf(i);
        for (int i = 0; i < participants && won.size() < winners; ++i)
        {
            if (!won.contains(nameOf(i)))
                won << nameOf(i);
        }

        TWinnerPick pick;
        const auto participantName = [](int i) { return nameOf(i); };
        const auto winnerName = [&won](int i) { return won.at(i); };
        QList<int> counts(participants, 0);
        const int draws = 400 * (participants - winners);
        for (int n = 0; n < draws; ++n)
        {
            const int position = pick.pick(participants, participantName, int(won.size()), winnerName);
            QVERIFY(position >= 0 && position < participants);
            ++counts[position];
        }
        QList<int> eligibleCounts;
        for (int i = 0; i < participants; ++i)
        {
            if (won.contains(nameOf(i)))
                QCOMPARE(counts.at(i), 0);
            else
                eligibleCounts << counts.at(i);
        }
        QCOMPARE(eligibleCounts.size(), participants - winners);
        const double statistic = chiSquare(eligibleCounts, draws);
        QVERIFY2(statistic < critical, qPrintable(QString::number(statistic)));
    }

    void comparesNamesExactly_data()
    {
        QTest::addColumn<QByteArray>("winner");
        QTest::addColumn<QByteArray>("participant");
        QTest::addColumn<bool>("eligible");
        QTest::newRow("same bytes") << QByteArray("ay\xFE"
                                                  "e")
                                    << QByteArray("ay\xFE"
                                                  "e")
                                    << false;
        QTest::newRow("other case") << QByteArray("AY\xDE"
                                                  "E")
                                    << QByteArray("ay\xFE"
                                                  "e")
                                    << true;
        QTest::newRow("trailing blank") << QByteArray("Ali ") << QByteArray("Ali") << true;
        QTest::newRow("prefix") << QByteArray("Ali") << QByteArray("Ali Veli") << true;
    }

    void comparesNamesExactly()
    {
        QFETCH(QByteArray, winner);
        QFETCH(QByteArray, participant);
        QFETCH(bool, eligible);
        TickingClock clock;
        TWinnerPick pick;
        const QList<QByteArray> people{participant, QByteArray("Zehra")};
        int zehra = 0;
        for (int n = 0; n < 200; ++n)
        {
            const int position = pick.pick(
                2, [&](int i) { return people.at(i); }, 1, [&](int) { return winner; });
            QVERIFY(position == 0 || position == 1);
            zehra += position;
        }
        QVERIFY(zehra > 0);
        QCOMPARE(zehra < 200, eligible);
    }

    void endsWhenOnlyRepeatedWinnersRemain()
    {
        TickingClock clock;
        TWinnerPick pick;
        const QList<QByteArray> people{"Ali", "Veli", "Ali", "Veli", "Ali"};
        const QList<QByteArray> won{"Veli", "Ali"};
        QCOMPARE(pick.pick(
                     5, [&](int i) { return people.at(i); }, 2, [&](int i) { return won.at(i); }),
                 -1);
        QCOMPARE(pick.lastAttempts(), TWinnerPick::AttemptsBeforeScan);
        QCOMPARE(pick.pick(
                     0, [&](int i) { return people.at(i); }, 0, [&](int i) { return won.at(i); }),
                 -1);
    }

    void findsTheLastCandidateEvenWhenTheClockStandsStill()
    {
        // A reseed from a counter that does not move gives the same participant every time; the
        // pick must still reach the one name that has not won.
        FakeClock clock;
        TWinnerPick pick;
        QList<QByteArray> won;
        for (int i = 0; i < 1000; ++i)
        {
            if (i != 617)
                won << nameOf(i);
        }
        const int position = pick.pick(
            1000, [](int i) { return nameOf(i); }, int(won.size()), [&](int i) { return won.at(i); });
        QCOMPARE(position, 617);
    }

    void followsTheWinnersTableAsItChanges()
    {
        TickingClock clock;
        TWinnerPick pick;
        const QList<QByteArray> people{"Ali", "Veli"};
        QList<QByteArray> won{"Ali"};
        const auto person = [&](int i) { return people.at(i); };
        const auto winner = [&](int i) { return won.at(i); };
        QCOMPARE(pick.pick(2, person, int(won.size()), winner), 1);

        // A winner added since the last pick is known at the next one.
        won << "Veli";
        QCOMPARE(pick.pick(2, person, int(won.size()), winner), -1);

        // A table that no longer ends as it did (emptied and filled anew) is read afresh.
        won = {"Veli"};
        QCOMPARE(pick.pick(2, person, int(won.size()), winner), 0);
        won = {"Ali", "Zehra"};
        QCOMPARE(pick.pick(2, person, int(won.size()), winner), 1);
    }
};

QTEST_GUILESS_MAIN(TestWinnerPick)
#include "test_WinnerPick.moc"
