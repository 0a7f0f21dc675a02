#include "Artwork.h"
#include "AudienceWindow.h"
#include "DrawStage.h"
#include "LetterRow.h"
#include "Random.h"
#include "Stage.h"
#include "ZvTop.h"
#include "common/Sphere.h"

#include <QPainter>
#include <QTest>
#include <QTimer>
#include <cmath>
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
// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(const QColor& c)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
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

        TDrawStage stage;
        TZvTopAnimate animate(nullptr, panel.get(), pictures, &stage);
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
            // Every view paints the same sphere there.
            QCOMPARE(stage.wait().balls.at(i), (TWaitBall{ball->x(), ball->y(), 32, pictureOf[r - 1], false}));
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

        TDrawStage stage;
        auto* animate = new TZvTopAnimate(nullptr, panel.get(), fourSpheres(), &stage);
        animate->setActive(true);
        animate->setActive(true);
        // Every switch-on creates fifteen more balls, each with its entry on the stage.
        QCOMPARE(panel->findChildren<TZvTop2*>().size(), 30);
        QCOMPARE(stage.wait().balls.size(), 30);
        for (int i = 0; i < 30; ++i)
        {
            const TZvTop2* ball = panel->findChildren<TZvTop2*>().at(i);
            QCOMPARE(QPoint(stage.wait().balls.at(i).left, stage.wait().balls.at(i).top), ball->pos());
        }

        animate->setActive(false);
        QVERIFY(!animate->Active());
        QCOMPARE(panel->findChildren<TZvTop*>().size(), 0);
        QVERIFY(stage.wait().balls.isEmpty());
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
    // The stage's wait steps exactly as a ball stepping by itself does, whether the ball steps its
    // entry of the stage or a plain copy is stepped beside it; a panel resized mid-wait included.
    void waitStepsAsTheMainStageBalls_data()
    {
        QTest::addColumn<int>("startTop");
        QTest::addColumn<int>("panelHeight");
        QTest::addColumn<bool>("movingUp");
        QTest::addColumn<bool>("viaStage");
        QTest::addColumn<int>("resizedTo"); // the panel's height from the 30th step on; 0 unchanged
        QTest::newRow("top edge, going down") << 0 << 115 << false << false << 0;
        QTest::newRow("inside, going up") << 37 << 115 << true << false << 0;
        QTest::newRow("below the panel") << 130 << 115 << false << false << 0;
        QTest::newRow("a panel lower than a ball") << 5 << 30 << false << false << 0;
        QTest::newRow("a tall panel") << 200 << 400 << true << false << 0;
        QTest::newRow("stage: top edge, going down") << 0 << 115 << false << true << 0;
        QTest::newRow("stage: below the panel") << 130 << 115 << false << true << 0;
        QTest::newRow("stage: the panel made lower") << 200 << 400 << true << true << 115;
        QTest::newRow("stage: the panel made taller") << 37 << 115 << false << true << 300;
    }

    void waitStepsAsTheMainStageBalls()
    {
        QFETCH(int, startTop);
        QFETCH(int, panelHeight);
        QFETCH(bool, movingUp);
        QFETCH(bool, viaStage);
        QFETCH(int, resizedTo);
        auto panel = makePanel(600, panelHeight);
        auto* ball = new TZvTop2(panel.get());
        ball->BounceTimer->stop();
        ball->move(10, startTop);
        ball->MovingUp = movingUp;
        TWaitBalls wait{panel->size(), {TWaitBall{10, startTop, 32, 2, movingUp}}};
        // The stage holds another ball before this one, which must stay where it is.
        TDrawStage stage;
        if (viaStage)
            ball->followStage(&stage,
                              1 + stage.addBalls(panel->size(), {TWaitBall{50, 7, 32, 1, true}, wait.balls.at(0)}));
        for (int n = 0; n < 60; ++n)
        {
            if (n == 30 && resizedTo > 0)
            {
                panel->resize(600, resizedTo);
                wait.panel.setHeight(resizedTo);
            }
            step(ball);
            advanceWait(wait);
            QCOMPARE(wait.balls.at(0).top, ball->y());
            QCOMPARE(wait.balls.at(0).movingUp, ball->MovingUp);
            if (viaStage)
                QCOMPARE(stage.wait(), (TWaitBalls{panel->size(), {TWaitBall{50, 7, 32, 1, true}, wait.balls.at(0)}}));
        }
        QCOMPARE(wait.balls.at(0).left, 10);
    }

    // On the audience's gold ball, every letter is dark enough to read (4.5:1 at least against
    // the sphere where the letter covers it) and lies inside the sphere, accents included.
    void audienceLetterReadableInsideItsBall_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("side");
        for (const int side : {40, 151, 300})
        {
            for (const QChar letter : {QChar(u'Ğ'), QChar(u'İ'), QChar(u'Ş'), QChar(u'Ç'), QChar(u'Ö'), QChar(u'Ü'),
                                       QChar(u'W'), QChar(u'M')})
                QTest::addRow("%s at %d", qPrintable(QString(letter)), side) << letter << side;
        }
    }

    void audienceLetterReadableInsideItsBall()
    {
        QFETCH(QChar, letter);
        QFETCH(int, side);
        const QPixmap gold = TZvTop::withSeeThrough(artwork(QStringLiteral("ball_gold"), 2.0));
        QVERIFY(!gold.isNull());
        QImage plain(side, side, QImage::Format_ARGB32);
        plain.fill(Qt::white);
        {
            QPainter painter(&plain);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(QRect(0, 0, side, side), gold);
        }
        QImage lettered = plain;
        QImage alone(side, side, QImage::Format_ARGB32);
        alone.fill(Qt::transparent);
        {
            QPainter painter(&lettered);
            TAudienceWindow::paintLetter(painter, QRect(0, 0, side, side), letter);
            QPainter only(&alone);
            TAudienceWindow::paintLetter(only, QRect(0, 0, side, side), letter);
        }
        const QPointF centre(side / 2.0, side * 15.5 / 32);
        const double radius = side * 13.5 / 32 + 1;
        int covered = 0;
        double worst = 100;
        for (int y = 0; y < side; ++y)
        {
            for (int x = 0; x < side; ++x)
            {
                if (qAlpha(alone.pixel(x, y)) == 0)
                    continue;
                QVERIFY2(std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y()) <= radius,
                         qPrintable(QStringLiteral("(%1, %2) outside the sphere").arg(x).arg(y)));
                if (qAlpha(alone.pixel(x, y)) < 255)
                    continue;
                ++covered;
                worst = std::min(worst, contrast(lettered.pixelColor(x, y), plain.pixelColor(x, y)));
            }
        }
        QVERIFY(covered > side / 4);
        QVERIFY2(worst >= 4.5, qPrintable(QString::number(worst)));
    }

    // The winner's text as a screen's headline: every ball inside the screen and below the title,
    // none overlapping, the name's balls as large as a short name allows and clearly larger
    // than the extra information's, the title no larger than a letter.
    void headlineFillsTheScreen_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("nameShare"); // the name's balls at least this share of the height
        const QByteArray name40 = "ABDULLAH MUSTAFA KEMAL KUCUKYILDIZOGLUNA";
        const QByteArray place = "KAHRAMANMARAS / ONIKISUBAT";
        for (const QSize screen : {QSize(1920, 1080), QSize(1024, 768), QSize(3840, 2160), QSize(800, 600)})
        {
            const QByteArray size = QByteArray::number(screen.width()) + "x" + QByteArray::number(screen.height());
            const bool wide = screen.width() * 9 >= screen.height() * 16;
            QTest::newRow("short name, long place " + size) << "ALI CAN - " + place << 7 << screen << 0.14;
            QTest::newRow("name of 10 " + size) << QByteArray("MEHMET ALI") << 10 << screen << (wide ? 0.14 : 0.1);
            QTest::newRow("name of 8 " + size) << QByteArray("AYSE NUR") << 8 << screen << 0.14;
            QTest::newRow("40 letters " + size) << name40 << 40 << screen << 0.07;
            QTest::newRow("40 letters and a place " + size) << name40 + " - " + place << 40 << screen << 0.06;
            QTest::newRow("one word of 30 " + size) << QByteArray(30, 'W') << 30 << screen << 0.02;
        }
    }

    void headlineFillsTheScreen()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, nameLength);
        QFETCH(QSize, screen);
        QFETCH(double, nameShare);
        for (const bool picture : {false, true})
        {
            const THeadline headline = layoutHeadline(text, nameLength, screen, picture);
            QCOMPARE(headline.cells.size(), text.size());
            QVERIFY2(headline.nameBall >= nameShare * screen.height(), qPrintable(QString::number(headline.nameBall)));
            const bool extra = nameLength < text.size();
            QCOMPARE(headline.extraBall > 0, extra);
            if (extra)
                QVERIFY(headline.nameBall * 3 >= headline.extraBall * 5);
            QVERIFY(headline.titlePixels <= (extra ? headline.extraBall : headline.nameBall));
            QCOMPARE(headline.picture.isEmpty(), !picture);
            QRegion covered;
            for (qsizetype i = 0; i < text.size(); ++i)
            {
                const QRect cell = headline.cells.at(i);
                const bool separator = extra && i >= nameLength && i < nameLength + 3;
                QCOMPARE(cell.isNull(), text.at(i) == ' ' || separator);
                if (cell.isNull())
                    continue;
                QCOMPARE(cell.width(), i < nameLength ? headline.nameBall : headline.extraBall);
                QVERIFY(headline.block.contains(cell));
                QVERIFY(QRect(QPoint(), screen).contains(cell));
                QVERIFY(cell.top() > headline.title.bottom() && cell.top() > headline.picture.bottom());
                QVERIFY(!covered.intersects(cell));
                covered += cell;
            }
        }
    }

    // A number draw's list: every number in a cell of its own inside the screen, in columns.
    void numberGridHoldsEveryNumber_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("share"); // the type at least this share of the height
        QTest::newRow("none") << 0 << 1 << QSize(1920, 1080) << 0.0;
        QTest::newRow("12 of 2 digits") << 12 << 2 << QSize(1920, 1080) << 0.05;
        QTest::newRow("120 of 4 digits, 1080") << 120 << 4 << QSize(1920, 1080) << 0.025;
        QTest::newRow("120 of 4 digits, 768") << 120 << 4 << QSize(1024, 768) << 0.025;
        QTest::newRow("300 of 4 digits, 1080") << 300 << 4 << QSize(1920, 1080) << 0.02;
        QTest::newRow("200 of 4 digits, 768") << 200 << 4 << QSize(1024, 768) << 0.02;
        QTest::newRow("300 of 9 digits, 1080") << 300 << 9 << QSize(1920, 1080) << 0.012;
        QTest::newRow("120 of 4 digits, 2160") << 120 << 4 << QSize(3840, 2160) << 0.025;
    }

    void numberGridHoldsEveryNumber()
    {
        QFETCH(int, count);
        QFETCH(int, digits);
        QFETCH(QSize, screen);
        QFETCH(double, share);
        // Arial's digit and line, in ems.
        const TNumberGrid grid = layoutNumberGrid(count, digits, screen, 0.556, 1.15);
        QCOMPARE(grid.first, 0);
        QCOMPARE(grid.cells.size(), count);
        QVERIFY(grid.pixels >= share * screen.height());
        QVERIFY(!grid.current.intersects(grid.list) && !grid.caption.intersects(grid.current));
        QRegion covered;
        for (int i = 0; i < count; ++i)
        {
            const QRect cell = grid.cells.at(i);
            QVERIFY(grid.list.contains(cell));
            QVERIFY(cell.width() >= (digits + 1) * 0.556 * grid.pixels);
            QVERIFY(!covered.intersects(cell));
            covered += cell;
            // Read in columns, top to bottom.
            if (i > 0 && cell.left() == grid.cells.at(i - 1).left())
                QVERIFY(cell.top() > grid.cells.at(i - 1).top());
        }
    }

    // More numbers than the smallest type holds: the latest are shown and the first one said.
    void numberGridKeepsTheLatestWhenFull()
    {
        const TNumberGrid grid = layoutNumberGrid(10000, 5, QSize(800, 600), 0.556, 1.15);
        QVERIFY(grid.first > 0);
        QCOMPARE(grid.first + grid.cells.size(), 10000);
        QCOMPARE(grid.pixels, 8);
    }
};

QTEST_MAIN(TestBalls)
#include "test_Balls.moc"
