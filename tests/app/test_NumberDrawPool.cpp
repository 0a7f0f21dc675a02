#include "NumberPool.h"

#include <QTest>
#include <limits>

namespace {
constexpr qint64 int32Min = std::numeric_limits<qint32>::min();
constexpr qint64 int32Max = std::numeric_limits<qint32>::max();
} // namespace

class TestNumberDrawPool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void counts_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QList<ExcludedRange>>("ranges");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<qint64>("eligible");

        using R = QList<ExcludedRange>;
        QTest::newRow("no rows") << qint64(1) << qint64(100) << R{} << qint64(100) << qint64(100);
        QTest::newRow("lower half") << qint64(1) << qint64(100) << R{{1, 50}} << qint64(50) << qint64(50);
        // A row reaching past the end is ignored by the shown count but still excludes 50..100.
        QTest::newRow("reaches past end") << qint64(1) << qint64(100) << R{{50, 150}} << qint64(100) << qint64(49);
        QTest::newRow("reaches below start") << qint64(10) << qint64(100) << R{{1, 20}} << qint64(91) << qint64(80);
        // Overlapping rows are subtracted twice by the shown count, once in truth.
        QTest::newRow("overlap") << qint64(1) << qint64(100) << R{{10, 20}, {15, 25}} << qint64(78) << qint64(84);
        QTest::newRow("nested") << qint64(1) << qint64(100) << R{{10, 40}, {20, 30}} << qint64(58) << qint64(69);
        QTest::newRow("touching") << qint64(1) << qint64(100) << R{{10, 20}, {21, 30}} << qint64(79) << qint64(79);
        QTest::newRow("unsorted") << qint64(1) << qint64(100) << R{{90, 95}, {5, 5}, {40, 60}} << qint64(72)
                                  << qint64(72);
        QTest::newRow("single number") << qint64(1) << qint64(10) << R{{7, 7}} << qint64(9) << qint64(9);
        QTest::newRow("everything excluded") << qint64(1) << qint64(10) << R{{1, 10}} << qint64(0) << qint64(0);
        QTest::newRow("outside entirely") << qint64(1) << qint64(10) << R{{20, 30}} << qint64(10) << qint64(10);
        QTest::newRow("end below start") << qint64(10) << qint64(5) << R{} << qint64(-4) << qint64(0);
        QTest::newRow("zero can be drawn") << qint64(0) << qint64(10) << R{{1, 10}} << qint64(1) << qint64(1);
        // Bounds near the ends of the 32-bit range must not wrap.
        QTest::newRow("full 32-bit range") << int32Min << int32Max << R{} << (qint64(1) << 32) << (qint64(1) << 32);
        QTest::newRow("widest row") << qint64(0) << int32Max << R{{1, int32Max}} << qint64(1) << qint64(1);
        QTest::newRow("sum beyond 32 bits") << qint64(0) << int32Max << R{{1, int32Max}, {1, int32Max}, {1, int32Max}}
                                            << (int32Max + 1 - 3 * int32Max) << qint64(1);
        QTest::newRow("difference beyond 32 bits")
            << qint64(int32Max) << qint64(int32Min) << R{} << (int32Min - int32Max + 1) << qint64(0);
    }

    void counts()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(QList<ExcludedRange>, ranges);
        QFETCH(qint64, shown);
        QFETCH(qint64, eligible);

        QCOMPARE(NumberPool::shownCount(start, end, ranges), shown);
        const NumberPool pool(start, end, ranges);
        QCOMPARE(pool.eligibleCount(), eligible);
        QCOMPARE(pool.remaining(), eligible);
    }

    void eligibleCountMatchesBruteForce()
    {
        // Random small layouts checked against counting number by number.
        quint32 state = 12345;
        auto next = [&state](int below) {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>((static_cast<quint64>(state) * static_cast<quint64>(below)) >> 32);
        };
        for (int round = 0; round < 500; ++round)
        {
            const qint64 start = next(30);
            const qint64 end = start + next(60) - 5;
            QList<ExcludedRange> ranges;
            const int rows = next(6);
            for (int i = 0; i < rows; ++i)
            {
                const qint64 first = 1 + next(80);
                ranges.append({first, first + next(15)});
            }
            qint64 expected = 0;
            for (qint64 n = start; n <= end; ++n)
            {
                bool excluded = false;
                for (const ExcludedRange& r : std::as_const(ranges))
                    excluded = excluded || (r.first <= n && n <= r.last);
                if (!excluded)
                    ++expected;
            }
            NumberPool pool(start, end, ranges);
            QCOMPARE(pool.eligibleCount(), expected);

            // Picking among the numbers still to be had sees exactly those, in order, also with
            // some of them taken.
            QList<qint64> left;
            for (qint64 n = end; n >= start; --n)
            {
                if (pool.excludingRange(n) >= 0)
                    continue;
                if (next(3) == 0)
                    QVERIFY(pool.take(n));
                else
                    left.prepend(n);
            }
            QCOMPARE(pool.remaining(), qint64(left.size()));
            for (qsizetype k = 0; k < left.size(); ++k)
                QCOMPARE(pool.remainingAt(quint64(k)), left.at(k));
        }
    }

    void excludingRangeIsTheFirstInTableOrder_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<int>("row");

        QTest::newRow("before all") << qint64(9) << -1;
        QTest::newRow("first bound inclusive") << qint64(10) << 0;
        QTest::newRow("in both, first wins") << qint64(18) << 0;
        QTest::newRow("last bound inclusive") << qint64(20) << 0;
        QTest::newRow("only second") << qint64(21) << 1;
        QTest::newRow("single-number row") << qint64(40) << 2;
        QTest::newRow("between rows") << qint64(30) << -1;
        QTest::newRow("zero") << qint64(0) << -1;
    }

    void excludingRangeIsTheFirstInTableOrder()
    {
        QFETCH(qint64, n);
        QFETCH(int, row);
        const NumberPool pool(0, 100, {{10, 20}, {15, 25}, {40, 40}});
        QCOMPARE(pool.excludingRange(n), row);
    }

    void spanAndNumbers()
    {
        const NumberPool wide(int32Min, int32Max, {});
        QCOMPARE(wide.span(), quint64(1) << 32);
        QCOMPARE(wide.numberAt(0), int32Min);
        QCOMPARE(wide.numberAt((quint64(1) << 32) - 1), int32Max);
        QCOMPARE(wide.remainingAt((quint64(1) << 32) - 1), int32Max);

        const NumberPool empty(10, 5, {});
        QCOMPARE(empty.span(), quint64(0));
        QCOMPARE(empty.remaining(), qint64(0));

        const NumberPool one(5, 5, {});
        QCOMPARE(one.span(), quint64(1));
        QCOMPARE(one.numberAt(0), qint64(5));
    }

    void takingCountsDownOnce()
    {
        NumberPool pool(1, 3, {});
        QVERIFY(pool.take(2));
        QVERIFY(!pool.take(2));
        QVERIFY(pool.isTaken(2));
        QVERIFY(!pool.isTaken(1));
        QCOMPARE(pool.remaining(), qint64(2));
        QVERIFY(pool.take(1));
        QVERIFY(pool.take(3));
        QCOMPARE(pool.remaining(), qint64(0));
        QCOMPARE(pool.takenCount(), qint64(3));
    }
};

QTEST_GUILESS_MAIN(TestNumberDrawPool)
#include "test_NumberDrawPool.moc"
