#include "LetterRow.h"
#include "Random.h"
#include "ZvTop.h"
#include "common/Sphere.h"

#include <QTest>
#include <QTimer>
#include <memory>

namespace {
BallPictures fourSpheres()
{
    return {sphere(QColor(255, 191, 0)), sphere(Qt::yellow), sphere(Qt::blue), sphere(Qt::red)};
}

std::unique_ptr<QWidget> makePanel(int width, int height)
{
    auto panel = std::make_unique<QWidget>();
    panel->resize(width, height);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::green);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

void step(TZvTop2* ball)
{
    QVERIFY(QMetaObject::invokeMethod(ball, "BounceStep"));
}

// Mirrors the shared generator so the test can tell which draws the animation made and in which order.
quint32 nextBelow(quint32& state, quint32 n)
{
    state = state * 134775813u + 1u;
    return static_cast<quint32>((static_cast<quint64>(state) * n) >> 32);
}
} // namespace

class TestBalls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bounceStaysInsideItsBand_data()
    {
        QTest::addColumn<int>("startTop");
        QTest::newRow("top edge") << 0;
        QTest::newRow("inside") << 37;
        QTest::newRow("just below the turn") << 73;
        QTest::newRow("below the panel") << 130;
    }

    void bounceStaysInsideItsBand()
    {
        QFETCH(int, startTop);
        auto panel = makePanel(600, 115);
        auto* ball = new TZvTop2(panel.get());
        ball->BounceTimer->stop();
        ball->move(10, startTop);

        int previous = startTop;
        bool wasUp = ball->MovingUp;
        int highest = 1000, lowest = -1000, stills = 0;
        for (int n = 0; n < 200; ++n)
        {
            step(ball);
            const int top = ball->y();
            QCOMPARE(ball->x(), 10);
            if (top == previous)
            {
                // A ball stands still only on the step where it turns.
                QVERIFY(ball->MovingUp != wasUp);
                ++stills;
            }
            else
            {
                QCOMPARE(top - previous, wasUp ? -10 : 10);
            }
            if (n >= 20)
            {
                highest = qMin(highest, top);
                lowest = qMax(lowest, top);
            }
            previous = top;
            wasUp = ball->MovingUp;
        }
        QVERIFY2(highest >= 1 && highest <= 10, qPrintable(QString::number(highest)));
        QVERIFY2(lowest >= 73 && lowest <= 82, qPrintable(QString::number(lowest)));
        QVERIFY(stills >= 20);
    }

    void ballBelowThePanelTurnsAtOnce()
    {
        auto panel = makePanel(600, 115);
        auto* ball = new TZvTop2(panel.get());
        ball->BounceTimer->stop();
        ball->move(0, 130);
        QVERIFY(!ball->MovingUp);
        step(ball);
        QCOMPARE(ball->y(), 130);
        QVERIFY(ball->MovingUp);
        step(ball);
        QCOMPARE(ball->y(), 120);
    }

    void bounceFollowsThePanelHeight()
    {
        auto panel = makePanel(600, 115);
        auto* ball = new TZvTop2(panel.get());
        ball->BounceTimer->stop();
        ball->move(0, 60);
        panel->resize(600, 80);
        // 60 + 32 is not below 80 - 10 any more: the ball turns instead of going down.
        step(ball);
        QCOMPARE(ball->y(), 60);
        QVERIFY(ball->MovingUp);
    }

    void ballsBounceByTheirOwnTimers()
    {
        auto panel = makePanel(600, 115);
        panel->show();
        auto* ball = new TZvTop2(panel.get());
        QCOMPARE(ball->BounceTimer->interval(), 20);
        QVERIFY(ball->BounceTimer->isActive());
        ball->move(0, 40);
        ball->show();
        QTRY_VERIFY(ball->y() != 40);
        QTRY_VERIFY(ball->MovingUp);
    }

    void animationRow_data()
    {
        QTest::addColumn<int>("panelWidth");
        QTest::addColumn<int>("firstLeft");
        QTest::newRow("wide panel") << 800 << 135;
        QTest::newRow("odd difference") << 600 << 35;
        QTest::newRow("narrower than the row") << 400 << -64;
    }

    void animationRow()
    {
        QFETCH(int, panelWidth);
        QFETCH(int, firstLeft);
        auto panel = makePanel(panelWidth, 115);
        const BallPictures pictures = fourSpheres();
        quint32 seed = 0x2468ACE1u;
        SharedRandom::setSeed(seed);

        TZvTopAnimate animate(nullptr, panel.get(), pictures);
        animate.setActive(true);
        QVERIFY(animate.Active());

        const auto balls = panel->findChildren<TZvTop2*>();
        QCOMPARE(balls.size(), 15);
        // Heights and colours come from the shared generator in turn, without reseeding.
        const int pictureOf[4] = {1, 2, 3, 0};
        for (int i = 0; i < 15; ++i)
        {
            TZvTop2* ball = animate.Balls[static_cast<size_t>(i)];
            QVERIFY(ball);
            QCOMPARE(ball->parentWidget(), panel.get());
            QCOMPARE(ball->x(), firstLeft + 36 * i);
            QCOMPARE(ball->y(), static_cast<int>(nextBelow(seed, 135)));
            const quint32 r = 1 + nextBelow(seed, 4);
            QCOMPARE(ball->Image().cacheKey(), pictures[static_cast<size_t>(pictureOf[r - 1])].cacheKey());
            QCOMPARE(ball->Harf(), QLatin1Char(' '));
            QCOMPARE(ball->size(), QSize(32, 32));
        }
        QCOMPARE(SharedRandom::seed(), seed);
    }

    void switchingOffClearsEveryBallOfThePanel()
    {
        auto panel = makePanel(600, 115);
        auto* letter = new TZvTop(panel.get());
        QPointer<TZvTop> watched(letter);
        auto* other = new QWidget(panel.get());

        auto* animate = new TZvTopAnimate(nullptr, panel.get(), fourSpheres());
        animate->setActive(true);
        animate->setActive(true);
        // Every switch-on creates fifteen more balls.
        QCOMPARE(panel->findChildren<TZvTop2*>().size(), 30);

        animate->setActive(false);
        QVERIFY(!animate->Active());
        QCOMPARE(panel->findChildren<TZvTop*>().size(), 0);
        QVERIFY(watched.isNull());
        QCOMPARE(other->parentWidget(), panel.get());

        animate->setActive(true);
        delete animate;
        QCOMPARE(panel->findChildren<TZvTop2*>().size(), 15);
    }

    void paintsTheSphereSeeThroughAndTheLetterCentred_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<bool>("textVisible");
        QTest::addColumn<int>("ratio"); // of the screen and of the sphere's picture
        QTest::addColumn<int>("side");
        QTest::newRow("upper-case") << QChar(u'Ş') << true << 1 << 32;
        QTest::newRow("lower-case kept as given") << QChar(u'a') << true << 1 << 32;
        QTest::newRow("blank") << QChar(u' ') << false << 1 << 32;
        QTest::newRow("none") << QChar(0) << false << 1 << 32;
        QTest::newRow("upper-case at 200 %") << QChar(u'Ş') << true << 2 << 32;
        QTest::newRow("blank at 200 %") << QChar(u' ') << false << 2 << 32;
        QTest::newRow("smallest ball") << QChar(u'W') << true << 1 << TLetterRow::smallestBallSize;
        QTest::newRow("blank smallest ball") << QChar(u' ') << false << 1 << TLetterRow::smallestBallSize;
        QTest::newRow("twice the size at 200 %") << QChar(u'Ğ') << true << 2 << 64;
    }

    void paintsTheSphereSeeThroughAndTheLetterCentred()
    {
        QFETCH(QChar, letter);
        QFETCH(bool, textVisible);
        QFETCH(int, ratio);
        QFETCH(int, side);
        auto panel = makePanel(100, 100);
        auto* ball = new TZvTop(panel.get(), sphere(Qt::blue, ratio));
        ball->setFixedSize(side, side);
        ball->move(20, 30);
        ball->setHarf(letter);
        QCOMPARE(ball->Harf(), letter);

        QImage shot(panel->size() * ratio, QImage::Format_RGB32);
        shot.setDevicePixelRatio(ratio);
        panel->render(&shot);
        const auto at = [&](int x, int y) { return shot.pixelColor((20 + x) * ratio, (30 + y) * ratio); };
        QCOMPARE(at(1, 1), QColor(Qt::green));
        QCOMPARE(at(side - 1, side - 1), QColor(Qt::green));
        int left = 100, right = -1, top = 100, bottom = -1;
        for (int y = 0; y < side; ++y)
        {
            for (int x = 0; x < side; ++x)
            {
                const QColor c = at(x, y);
                if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
                {
                    left = qMin(left, x);
                    right = qMax(right, x);
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
            }
        }
        QCOMPARE(right >= 0, textVisible);
        if (textVisible)
        {
            // The letter grows and shrinks with the ball: centred, and about half its height.
            const int centre = side / 2 - 1;
            QVERIFY2(qAbs((left + right) / 2 - centre) <= 3 * side / 32,
                     qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));
            QVERIFY2(qAbs((top + bottom) / 2 - centre) <= 5 * side / 32,
                     qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
            QVERIFY2(bottom - top >= side * 3 / 8 && bottom - top <= side * 3 / 4,
                     qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
        }
        else
        {
            QCOMPARE(at(side / 2, side / 2), QColor(Qt::blue));
        }
    }

    void letterRowFitsTheStage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<QSize>("stage");
        QTest::addColumn<bool>("unchanged"); // the one row of 32-pixel balls every text had
        QTest::addColumn<int>("ballSize");
        QTest::addColumn<int>("rows");
        const QByteArray name40 = "ABDULLAH MUSTAFA KEMAL KUCUKYILDIZOGLUNA";
        const QByteArray extra39 = "SANLIURFA / EYYUBIYE / KARSIYAKA MAH.NO";
        QTest::newRow("fits: as before") << QByteArray("AYSE NUR - ANKARA") << 8 << QSize(700, 115) << true << 32 << 1;
        QTest::newRow("fits to the last pixel") << QByteArray("ABCDEFGHIJ") << 10 << QSize(322, 115) << true << 32 << 1;
        QTest::newRow("one pixel short: centred anew")
            << QByteArray("ABCDEFGHIJ") << 10 << QSize(320, 115) << false << 32 << 1;
        QTest::newRow("32 characters on 1000: extra on a second row")
            << QByteArray("AYSE NUR KUCUKYILDIZ - SANLIURFA") << 20 << QSize(1000, 115) << false << 32 << 2;
        QTest::newRow("82 characters on 1000: two rows, smaller balls")
            << name40 + " - " + extra39 << 40 << QSize(1000, 115) << false << 25 << 2;
        QTest::newRow("82 characters on 800") << name40 + " - " + extra39 << 40 << QSize(800, 115) << false << 20 << 2;
        QTest::newRow("a long name alone shrinks") << name40 << 40 << QSize(700, 115) << false << 17 << 1;
        QTest::newRow("a long extra on the second row shrinks both")
            << QByteArray("ALI - ") + extra39 << 3 << QSize(700, 115) << false << 17 << 2;
        QTest::newRow("a narrow stage wraps at blanks")
            << QByteArray("ABCDEFGH IJKLMNOP QRSTUVWX") << 26 << QSize(300, 115) << false << 16 << 2;
        QTest::newRow("a word longer than a row is cut")
            << QByteArray(30, 'W') << 30 << QSize(200, 115) << false << 16 << 3;
        QTest::newRow("a low stage takes balls below the smallest")
            << QByteArray(40, 'W') << 40 << QSize(200, 40) << false << 11 << 3;
        QTest::newRow("a stage with no room draws nothing") << QByteArray("ALI") << 3 << QSize(0, 0) << false << 0 << 0;
    }

    // Every letter inside the stage, in reading order, none overlapping, each row and the block
    // of rows centred.
    void letterRowFitsTheStage()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, nameLength);
        QFETCH(QSize, stage);
        QFETCH(bool, unchanged);
        QFETCH(int, ballSize);
        QFETCH(int, rows);

        const TLetterRow row = layoutLetterRow(text, nameLength, stage);
        QCOMPARE(row.cells.size(), text.size());
        QCOMPARE(row.ballSize, ballSize);
        QCOMPARE(row.rows, rows);
        const int x0 = (stage.width() - 2 - 32 * int(text.size())) / 2;
        bool asBefore = true;
        QRect previous;
        QList<QRect> rowEdges; // the first and last ball of each row
        for (int i = 0; i < text.size(); ++i)
        {
            const QRect cell = row.cells.at(i);
            const bool separator = nameLength < text.size() && i == nameLength + 1 && rows > 1;
            const bool drawn = text.at(i) != ' ' && !separator && ballSize > 0;
            QVERIFY2(cell.isNull() != drawn, qPrintable(QString::number(i)));
            if (!drawn)
                continue;
            asBefore = asBefore && cell == QRect(x0 + 32 * i, (stage.height() - 36) / 2, 32, 32);
            QVERIFY(QRect(QPoint(), stage).contains(cell));
            QCOMPARE(cell.size(), QSize(ballSize, ballSize));
            if (previous.isNull() || cell.top() > previous.bottom())
                rowEdges << cell << cell;
            else
                QVERIFY2(cell.top() == previous.top() && cell.left() > previous.right(),
                         qPrintable(QString::number(i)));
            rowEdges.last() = cell;
            previous = cell;
        }
        QCOMPARE(asBefore && rows > 0, unchanged);
        QCOMPARE(rowEdges.size(), 2 * (unchanged ? 1 : rows));
        if (unchanged || rows == 0)
            return;
        for (int r = 0; r < rowEdges.size(); r += 2)
            QVERIFY(qAbs(rowEdges[r].left() - (stage.width() - 1 - rowEdges[r + 1].right())) <= 1);
        QVERIFY(qAbs(rowEdges.first().top() - (stage.height() - 1 - rowEdges.last().bottom())) <= 1);
    }
};

QTEST_MAIN(TestBalls)
#include "test_Balls.moc"
