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
        QTest::newRow("upper-case") << QChar(u'Ş') << true << 1;
        QTest::newRow("lower-case kept as given") << QChar(u'a') << true << 1;
        QTest::newRow("blank") << QChar(u' ') << false << 1;
        QTest::newRow("none") << QChar(0) << false << 1;
        QTest::newRow("upper-case at 200 %") << QChar(u'Ş') << true << 2;
        QTest::newRow("blank at 200 %") << QChar(u' ') << false << 2;
    }

    void paintsTheSphereSeeThroughAndTheLetterCentred()
    {
        QFETCH(QChar, letter);
        QFETCH(bool, textVisible);
        QFETCH(int, ratio);
        auto panel = makePanel(100, 100);
        auto* ball = new TZvTop(panel.get(), sphere(Qt::blue, ratio));
        ball->move(20, 30);
        ball->setHarf(letter);
        QCOMPARE(ball->Harf(), letter);

        QImage shot(panel->size() * ratio, QImage::Format_RGB32);
        shot.setDevicePixelRatio(ratio);
        panel->render(&shot);
        const auto at = [&](int x, int y) { return shot.pixelColor((20 + x) * ratio, (30 + y) * ratio); };
        QCOMPARE(at(1, 1), QColor(Qt::green));
        QCOMPARE(at(31, 31), QColor(Qt::green));
        int left = 100, right = -1, top = 100, bottom = -1;
        for (int y = 0; y < 32; ++y)
        {
            for (int x = 0; x < 32; ++x)
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
            QVERIFY2(qAbs((left + right) / 2 - 15) <= 3, qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));
            QVERIFY2(qAbs((top + bottom) / 2 - 15) <= 5, qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
        }
        else
        {
            QCOMPARE(at(16, 16), QColor(Qt::blue));
        }
    }
};

QTEST_MAIN(TestBalls)
#include "test_Balls.moc"
