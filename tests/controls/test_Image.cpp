#include "Image.h"
#include "SeeThrough.h"

#include <QPainter>
#include <QTest>

class TestImage : public QObject
{
    Q_OBJECT

    static QImage solid(QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    static QImage render(TImage& box)
    {
        QImage out(box.size(), QImage::Format_RGB32);
        out.fill(Qt::green);
        box.render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
        return out;
    }

private Q_SLOTS:
    void fitting_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("expected");
        // Stretched and proportional: scaled up or down to the largest size that fits.
        QTest::newRow("wide, width decides") << QSize(200, 100) << QSize(100, 100) << true << QRect(0, 25, 100, 50);
        QTest::newRow("tall, height decides") << QSize(100, 200) << QSize(100, 100) << true << QRect(25, 0, 50, 100);
        QTest::newRow("wide, height overflows") << QSize(200, 100) << QSize(100, 30) << true << QRect(20, 0, 60, 30);
        QTest::newRow("tall, width overflows") << QSize(100, 200) << QSize(30, 100) << true << QRect(0, 20, 30, 60);
        QTest::newRow("square takes the tall branch")
            << QSize(50, 50) << QSize(100, 80) << true << QRect(10, 0, 80, 80);
        QTest::newRow("small picture grows") << QSize(20, 10) << QSize(100, 100) << true << QRect(0, 25, 100, 50);
        QTest::newRow("height truncated") << QSize(300, 200) << QSize(100, 100) << true << QRect(0, 17, 100, 66);
        QTest::newRow("width truncated") << QSize(200, 300) << QSize(100, 100) << true << QRect(17, 0, 66, 100);
        // Centred and proportional without stretching: natural size unless too big.
        QTest::newRow("natural size centred") << QSize(40, 30) << QSize(100, 100) << false << QRect(30, 35, 40, 30);
        QTest::newRow("too wide shrinks") << QSize(400, 100) << QSize(100, 100) << false << QRect(0, 37, 100, 25);
        QTest::newRow("too tall only shrinks") << QSize(50, 300) << QSize(100, 100) << false << QRect(42, 0, 16, 100);
        QTest::newRow("empty box") << QSize(40, 30) << QSize(0, 0) << false << QRect(0, 0, 0, 0);
    }
    void fitting()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QFETCH(bool, stretch);
        QFETCH(QRect, expected);
        QCOMPARE(TImage::destRect(picture, box, true, true, stretch), expected);
    }

    void stretchWithoutProportionFillsAndCenterIsOptional()
    {
        QCOMPARE(TImage::destRect({30, 10}, {100, 80}, true, false, true), QRect(0, 0, 100, 80));
        QCOMPARE(TImage::destRect({30, 10}, {100, 80}, false, true, true), QRect(0, 0, 100, 33));
        // Neither stretched nor proportional: a large picture overhangs the box on both sides.
        QCOMPARE(TImage::destRect({200, 200}, {100, 100}, true, false, false), QRect(-50, -50, 200, 200));
    }

    void paintsWhereItFits()
    {
        TImage box;
        box.resize(100, 100);
        box.setCenter(true);
        box.setProportional(true);
        box.setStretch(true);
        box.setPicture(solid({20, 10}, Qt::red));
        const QImage shot = render(box);
        QCOMPARE(shot.pixelColor(50, 50), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(1, 26), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(50, 10), QColor(Qt::green));
        QCOMPARE(shot.pixelColor(50, 90), QColor(Qt::green));

        box.clear();
        QVERIFY(box.isEmpty());
        QCOMPARE(render(box).pixelColor(50, 50), QColor(Qt::green));
    }

    void transparentSkipsTheBottomLeftColour()
    {
        QImage picture = solid({10, 10}, Qt::white);
        QPainter(&picture).fillRect(3, 3, 4, 4, Qt::blue);
        TImage box;
        box.resize(10, 10);
        box.setPicture(picture);
        QCOMPARE(render(box).pixelColor(0, 0), QColor(Qt::white));
        box.setTransparent(true);
        const QImage shot = render(box);
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::green));
        QCOMPARE(shot.pixelColor(9, 9), QColor(Qt::green));
        QCOMPARE(shot.pixelColor(4, 4), QColor(Qt::blue));
    }

    // The key is the bottom-left pixel exactly as stored: a pixel of the same colour but another
    // alpha is not see-through.
    void keyedOutClearsOnlyTheKey_data()
    {
        QTest::addColumn<QRgb>("key");
        QTest::addColumn<QRgb>("other");
        QTest::newRow("opaque") << qRgb(255, 0, 255) << qRgb(0, 0, 255);
        QTest::newRow("translucent key") << qRgba(255, 0, 255, 128) << qRgb(255, 0, 255);
        QTest::newRow("cleared key") << qRgba(0, 0, 0, 0) << qRgb(0, 0, 0);
    }
    void keyedOutClearsOnlyTheKey()
    {
        QFETCH(QRgb, key);
        QFETCH(QRgb, other);
        QImage picture(3, 2, QImage::Format_ARGB32);
        picture.fill(key);
        picture.setPixel(1, 0, other);
        QCOMPARE(seeThroughKey(picture), key);
        const QImage out = keyedOut(picture);
        QCOMPARE(out.pixel(0, 1), QRgb(0));
        QCOMPARE(out.pixel(2, 0), QRgb(0));
        QCOMPARE(out.pixel(1, 0), other);
        QCOMPARE(seeThroughKey(QImage()), QRgb(0));
        QVERIFY(keyedOut(QImage()).isNull());
    }

    void autoSizeFollowsThePicture()
    {
        TImage box;
        box.resize(5, 5);
        box.setAutoSize(true);
        box.setPicture(solid({32, 32}, Qt::red));
        QCOMPARE(box.size(), QSize(32, 32));
    }
};

QTEST_MAIN(TestImage)
#include "test_Image.moc"
