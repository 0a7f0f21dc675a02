#include "RxDice.h"
#include "common/FakeClock.h"

#include <QSignalSpy>
#include <QTest>

class TestRxDice : public QObject
{
    Q_OBJECT

    static QList<int> rotate(TRxDice& die, int faces)
    {
        QList<int> seen;
        QObject::connect(&die, &TRxDice::valueChanged, &die, [&seen](int face) { seen << face; });
        die.setInterval(1);
        die.setRotate(true);
        [&] { QTRY_VERIFY(seen.size() >= faces); }();
        die.setRotate(false);
        QObject::disconnect(&die, &TRxDice::valueChanged, &die, nullptr);
        return seen.mid(0, faces);
    }

private Q_SLOTS:
    void nextFaceAlwaysDiffers_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<int>("expected");
        QTest::newRow("different face kept") << 2 << 4 << 5;
        QTest::newRow("same face steps down") << 3 << 2 << 2;
        QTest::newRow("six repeated becomes five") << 6 << 5 << 5;
        QTest::newRow("one repeated becomes two") << 1 << 0 << 2;
    }
    void nextFaceAlwaysDiffers()
    {
        QFETCH(int, current);
        QFETCH(int, drawn);
        QFETCH(int, expected);
        QCOMPARE(TRxDice::nextFace(current, quint32(drawn)), expected);
    }

    void startsHiddenWithoutFocusAndAtSixtyMilliseconds()
    {
        QWidget window;
        auto* die = new TRxDice(&window);
        window.show();
        QVERIFY(!die->isVisible());
        QCOMPARE(die->focusPolicy(), Qt::NoFocus);
        QCOMPARE(die->Interval(), 60);
        QVERIFY(!die->Rotate());
        QCOMPARE(die->sizeHint(), QSize(66, 66));
    }

    void rotationChangesTheFaceOnEveryTick()
    {
        TRxDice die;
        die.setValue(2);
        const QList<int> faces = rotate(die, 40);
        int previous = 2;
        for (int face : faces)
        {
            QVERIFY(face >= 1 && face <= 6);
            QVERIFY(face != previous);
            previous = face;
        }
        // A die that only ever alternated two faces would still pass the check above.
        QVERIFY(QSet<int>(faces.begin(), faces.end()).size() >= 4);
        QVERIFY(!die.Rotate());
    }

    void constructionSeedsFromTheClock()
    {
        FakeClock clock;
        clock.nowNs = 123456789;
        QList<int> first;
        {
            TRxDice die;
            first = rotate(die, 12);
        }
        clock.nowNs = 123456789;
        TRxDice again;
        QCOMPARE(rotate(again, 12), first);
    }

    void valueIsClamped()
    {
        TRxDice die;
        die.setValue(9);
        QCOMPARE(die.Value(), 6);
        die.setValue(0);
        QCOMPARE(die.Value(), 1);
    }

    void facesShowTheirPips_data()
    {
        QTest::addColumn<int>("face");
        // 3x3 grid of pip places, row by row: '#' a pip, '.' none.
        QTest::addColumn<QString>("layout");
        QTest::newRow("1") << 1 << QStringLiteral("....#....");
        QTest::newRow("2") << 2 << QStringLiteral("#.......#");
        QTest::newRow("3") << 3 << QStringLiteral("#...#...#");
        QTest::newRow("4") << 4 << QStringLiteral("#.#...#.#");
        QTest::newRow("5") << 5 << QStringLiteral("#.#.#.#.#");
        QTest::newRow("6") << 6 << QStringLiteral("#.##.##.#");
    }
    void facesShowTheirPips()
    {
        QFETCH(int, face);
        QFETCH(QString, layout);
        TRxDice die;
        die.resize(66, 66);
        die.setValue(face);
        QImage shot(die.size(), QImage::Format_RGB32);
        shot.fill(Qt::white);
        die.render(&shot);
        const int side = 64;
        for (int i = 0; i < 9; ++i)
        {
            const int x = 1 + side * (1 + i % 3) / 4;
            const int y = 1 + side * (1 + i / 3) / 4;
            const bool dark = shot.pixelColor(x, y).lightness() < 128;
            QVERIFY2(dark == (layout.at(i) == QLatin1Char('#')), qPrintable(QStringLiteral("place %1").arg(i)));
        }
    }
};

QTEST_MAIN(TestRxDice)
#include "test_RxDice.moc"
