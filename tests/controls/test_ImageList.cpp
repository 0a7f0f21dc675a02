#include "ImageList.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class TestImageList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addingCutsStripsAndScalesOthers_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("added");
        QTest::newRow("one entry") << QSize(16, 16) << 1;
        QTest::newRow("strip of three") << QSize(48, 16) << 3;
        QTest::newRow("odd width is scaled") << QSize(20, 16) << 1;
        QTest::newRow("other height is scaled") << QSize(32, 32) << 1;
    }
    void addingCutsStripsAndScalesOthers()
    {
        QFETCH(QSize, picture);
        QFETCH(int, added);
        TImageList list(16, 16);
        list.add(QImage(16, 16, QImage::Format_RGB32));
        QSignalSpy changes(&list, &TImageList::changed);
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::red);
        QCOMPARE(list.add(image), 1);
        QCOMPARE(list.count(), 1 + added);
        QCOMPARE(changes.size(), 1);
        for (int i = 1; i <= added; ++i)
            QCOMPARE(list.image(i).size(), QSize(16, 16));
    }

    void stripEntriesKeepTheirOwnPixels()
    {
        TImageList list(2, 2);
        QImage strip(6, 2, QImage::Format_RGB32);
        for (int x = 0; x < 6; ++x)
            for (int y = 0; y < 2; ++y)
                strip.setPixel(x, y, qRgb(x * 40, 0, 0));
        list.add(strip);
        QCOMPARE(QColor(list.image(2).pixel(1, 1)), QColor(200, 0, 0));
        QCOMPARE(QColor(list.image(1).pixel(0, 0)), QColor(80, 0, 0));
    }

    void masksDecideTransparency()
    {
        TImageList list(4, 4);
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(QColor(10, 20, 30));
        picture.setPixel(1, 1, qRgb(255, 0, 255));
        // by colour
        list.addMasked(picture, QColor(255, 0, 255));
        // by explicit mask: white is transparent
        QImage mask(4, 4, QImage::Format_RGB32);
        mask.fill(Qt::black);
        mask.setPixel(2, 3, qRgb(255, 255, 255));
        list.add(picture, mask);
        // by alpha
        QImage alpha(4, 4, QImage::Format_ARGB32);
        alpha.fill(Qt::transparent);
        alpha.setPixel(0, 0, qRgba(1, 2, 3, 255));
        list.add(alpha);

        QCOMPARE(qAlpha(list.image(0).pixel(1, 1)), 0);
        QCOMPARE(qAlpha(list.image(0).pixel(0, 0)), 255);
        QCOMPARE(qAlpha(list.image(1).pixel(2, 3)), 0);
        QCOMPARE(qAlpha(list.image(1).pixel(1, 1)), 255);
        QCOMPARE(qAlpha(list.image(2).pixel(0, 0)), 255);
        QCOMPARE(qAlpha(list.image(2).pixel(3, 3)), 0);

        const QImage m = list.mask(0);
        QCOMPARE(m.pixelIndex(1, 1), 1);
        QCOMPARE(m.pixelIndex(0, 0), 0);
    }

    void drawingUsesTheMask()
    {
        TImageList list(4, 4);
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        picture.setPixel(0, 3, qRgb(0, 255, 0));
        list.addMasked(picture, QColor(0, 255, 0));
        QImage canvas(6, 6, QImage::Format_RGB32);
        canvas.fill(Qt::blue);
        QPainter p(&canvas);
        list.draw(p, 1, 1, 0);
        list.draw(p, 1, 1, 7); // not held: nothing
        p.end();
        QCOMPARE(QColor(canvas.pixel(1, 1)), QColor(Qt::red));
        QCOMPARE(QColor(canvas.pixel(1, 4)), QColor(Qt::blue));
        QCOMPARE(QColor(canvas.pixel(0, 0)), QColor(Qt::blue));

        QImage bitmap;
        QVERIFY(list.getBitmap(0, bitmap));
        QCOMPARE(bitmap.size(), QSize(4, 4));
        QCOMPARE(QColor(bitmap.pixel(0, 3)), QColor(Qt::white));
        QCOMPARE(QColor(bitmap.pixel(3, 0)), QColor(Qt::red));
    }

    void indexesNotHeldAreRefused_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("minus one") << -1;
        QTest::newRow("count") << 1;
        QTest::newRow("far") << 1000;
    }
    void indexesNotHeldAreRefused()
    {
        QFETCH(int, index);
        TImageList list(4, 4);
        list.add(QImage(4, 4, QImage::Format_RGB32));
        QImage untouched(1, 1, QImage::Format_RGB32);
        QVERIFY(!list.getBitmap(index, untouched));
        QCOMPARE(untouched.size(), QSize(1, 1));
        QVERIFY(list.image(index).isNull());
        QVERIFY(list.mask(index).isNull());
        QVERIFY(!list.remove(index));
        QVERIFY(!list.replace(index, QImage(4, 4, QImage::Format_RGB32)));
        QCOMPARE(list.add(QImage()), -1);
        QCOMPARE(list.count(), 1);
    }

    void resizingEmptiesAndNotifies()
    {
        TImageList list(4, 4);
        list.add(QImage(8, 4, QImage::Format_RGB32));
        QSignalSpy changes(&list, &TImageList::changed);
        list.setWidth(4);
        QCOMPARE(changes.size(), 0);
        list.setHeight(8);
        QCOMPARE(list.count(), 0);
        QCOMPARE(changes.size(), 1);
        list.clear();
        QCOMPARE(changes.size(), 1);
    }
};

QTEST_MAIN(TestImageList)
#include "test_ImageList.moc"
