#include "JpegDecoder.h"
#include "PictureLoader.h"
#include "common/FixturePath.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPictureLoader : public QObject
{
    Q_OBJECT

    static QByteArray bytesOf(const char* name) { return readAll(fixturePath(name)); }
    static QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(QLatin1String(name));
        writeAll(path, bytes);
        return path;
    }
    static bool near(QRgb actual, QRgb expected, int tolerance)
    {
        return qAbs(qRed(actual) - qRed(expected)) <= tolerance &&
               qAbs(qGreen(actual) - qGreen(expected)) <= tolerance &&
               qAbs(qBlue(actual) - qBlue(expected)) <= tolerance;
    }
    static QByteArray describe(QRgb c)
    {
        return QByteArray::number(qRed(c)) + ',' + QByteArray::number(qGreen(c)) + ',' + QByteArray::number(qBlue(c));
    }

    // The picture's declared size patched into the frame header of a JPEG.
    static QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
    {
        for (qsizetype i = 2; i + 9 < jpeg.size(); ++i)
        {
            const auto marker = static_cast<uchar>(jpeg.at(i + 1));
            if (static_cast<uchar>(jpeg.at(i)) == 0xFF && (marker == 0xC0 || marker == 0xC2))
            {
                jpeg[i + 5] = char(height >> 8);
                jpeg[i + 6] = char(height & 0xFF);
                jpeg[i + 7] = char(width >> 8);
                jpeg[i + 8] = char(width & 0xFF);
                return jpeg;
            }
        }
        return {};
    }

private slots:
    void loadsEachFormat_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("left");
        QTest::addColumn<QRgb>("leftColour");
        QTest::addColumn<QPoint>("right");
        QTest::addColumn<QRgb>("rightColour");
        QTest::addColumn<int>("tolerance"); // JPEG is lossy; BMP and GIF are exact

        QTest::newRow("jpeg") << fixturePath("pictures/photo.jpg") << QSize(64, 48) << QPoint(8, 24) << qRgb(255, 0, 0)
                              << QPoint(56, 24) << qRgb(0, 0, 255) << 40;
        QTest::newRow("progressive jpeg") << fixturePath("pictures/progressive.jpg") << QSize(64, 48) << QPoint(8, 8)
                                          << qRgb(0, 255, 0) << QPoint(56, 40) << qRgb(255, 255, 0) << 40;
        QTest::newRow("grey-scale jpeg") << fixturePath("pictures/gray.jpg") << QSize(32, 32) << QPoint(2, 2)
                                         << qRgb(128, 128, 128) << QPoint(30, 30) << qRgb(128, 128, 128) << 6;
        QTest::newRow("cmyk jpeg") << fixturePath("pictures/cmyk.jpg") << QSize(32, 32) << QPoint(2, 2)
                                   << qRgb(255, 0, 0) << QPoint(30, 30) << qRgb(255, 0, 0) << 40;
        QTest::newRow("bmp") << fixturePath("pictures/pic.bmp") << QSize(20, 10) << QPoint(2, 0) << qRgb(0, 255, 0)
                             << QPoint(15, 9) << qRgb(255, 255, 0) << 0;
        QTest::newRow("gif") << fixturePath("pictures/pic.gif") << QSize(16, 8) << QPoint(0, 7) << qRgb(0, 0, 255)
                             << QPoint(15, 0) << qRgb(255, 0, 0) << 0;
        QTest::newRow("jpeg under a bmp name")
            << fixturePath("pictures/jpeg_named.bmp") << QSize(64, 48) << QPoint(8, 24) << qRgb(255, 0, 0)
            << QPoint(56, 24) << qRgb(0, 0, 255) << 40;
    }
    void loadsEachFormat()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(QPoint, left);
        QFETCH(QRgb, leftColour);
        QFETCH(QPoint, right);
        QFETCH(QRgb, rightColour);
        QFETCH(int, tolerance);
        QString error;
        const QImage image = loadPicture(path, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(image.size(), size);
        QVERIFY2(near(image.pixel(left), leftColour, tolerance), describe(image.pixel(left)));
        QVERIFY2(near(image.pixel(right), rightColour, tolerance), describe(image.pixel(right)));
    }

    void extensionIgnoresCase()
    {
        QTemporaryDir dir;
        const QByteArray jpeg = bytesOf("pictures/photo.jpg");
        for (const char* name : {"KUPA.JPG", "kupa.Jpeg", "Kupa.jPeG"})
            QCOMPARE(loadPicture(write(dir, name, jpeg)).size(), QSize(64, 48));
        QCOMPARE(loadPicture(write(dir, "ODUL.BMP", bytesOf("pictures/pic.bmp"))).size(), QSize(20, 10));
        QCOMPARE(loadPicture(write(dir, "ODUL.GIF", bytesOf("pictures/pic.gif"))).size(), QSize(16, 8));
    }

    void givesNothingForWhatIsNoPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // written to a file of that name
        const QByteArray jpeg = bytesOf("pictures/photo.jpg");
        const QByteArray bmp = bytesOf("pictures/pic.bmp");
        const QByteArray gif = bytesOf("pictures/pic.gif");
        QTest::newRow("jpeg under a png name") << "kupa.png" << jpeg;
        QTest::newRow("no extension") << "kupa" << jpeg;
        QTest::newRow("png under a jpg name") << "png_named.jpg" << bytesOf("pictures/png_named.jpg");
        QTest::newRow("text under a gif name") << "not.gif" << QByteArray("GIF? hayır, metin\r\n");
        QTest::newRow("empty jpg") << "bos.jpg" << QByteArray();
        QTest::newRow("jpeg cut in its header") << "kisa.jpg" << jpeg.left(40);
        QTest::newRow("jpeg marker alone") << "isaret.jpg" << QByteArray("\xFF\xD8\xFF", 3);
        QTest::newRow("bmp cut in its header") << "kisa.bmp" << bmp.left(30);
        QTest::newRow("bmp without pixels") << "bos.bmp" << bmp.left(54);
        QTest::newRow("gif cut short") << "kisa.gif" << gif.left(20);
        QTest::newRow("jpeg declaring 0 x 0") << "sifir.jpg" << withDeclaredSize(jpeg, 0, 0);
        QTest::newRow("jpeg declaring 65000 x 65000") << "dev.jpg" << withDeclaredSize(jpeg, 65000, 65000);
    }
    void givesNothingForWhatIsNoPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = write(dir, name.toLatin1().constData(), bytes);
        QVERIFY(!path.isEmpty());
        QString error;
        const QImage image = loadPicture(path, &error);
        QVERIFY2(image.isNull(), qPrintable(QStringLiteral("decoded %1 x %2").arg(image.width()).arg(image.height())));
        QVERIFY(!error.isEmpty());
    }

    void missingFileOrFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("klasor.jpg")));
        QVERIFY(loadPicture(dir.filePath(QStringLiteral("klasor.jpg"))).isNull());
        QVERIFY(loadPicture(dir.filePath(QStringLiteral("yok.jpg"))).isNull());
        QVERIFY(loadPicture(QString()).isNull());
    }

    // A file cut short shows the part that arrived; the rest is the decoder's grey.
    void truncatedJpegGivesThePartThatArrived()
    {
        const QImage whole = loadPicture(fixturePath("pictures/plasma.jpg"));
        QString error;
        const QImage cut = loadPicture(fixturePath("pictures/truncated.jpg"), &error);
        QVERIFY2(!cut.isNull(), qPrintable(error));
        QCOMPARE(cut.size(), whole.size());
        for (int y = 0; y < 16; ++y)
            QCOMPARE(QByteArrayView(cut.constScanLine(y), cut.bytesPerLine()),
                     QByteArrayView(whole.constScanLine(y), whole.bytesPerLine()));
        const QRgb last = cut.pixel(cut.width() - 1, cut.height() - 1);
        QVERIFY2(near(last, qRgb(128, 128, 128), 2), describe(last));
    }

    void limits()
    {
        const QByteArray jpeg = bytesOf("pictures/photo.jpg");
        QString error;
        // Too many pixels for the limit: decoded at half size, colours where they were.
        PictureLimits small;
        small.maxPixels = 64 * 48 / 3;
        QImage image = decodeJpeg(jpeg, &error, small);
        QCOMPARE(image.size(), QSize(32, 24));
        QVERIFY2(near(image.pixel(4, 12), qRgb(255, 0, 0), 40), describe(image.pixel(4, 12)));
        QVERIFY2(near(image.pixel(28, 12), qRgb(0, 0, 255), 40), describe(image.pixel(28, 12)));
        // Even an eighth is too large: refused.
        small.maxPixels = 40;
        QVERIFY(decodeJpeg(jpeg, &error, small).isNull());
        QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));

        // BMP and GIF are shrunk after decoding, keeping their proportions.
        PictureLimits quarter;
        quarter.maxPixels = 20 * 10 / 4;
        image = loadPicture(fixturePath("pictures/pic.bmp"), &error, quarter);
        QCOMPARE(image.size(), QSize(10, 5));
        QVERIFY2(near(image.pixel(1, 2), qRgb(0, 255, 0), 60), describe(image.pixel(1, 2)));
        QVERIFY2(near(image.pixel(8, 2), qRgb(255, 255, 0), 60), describe(image.pixel(8, 2)));
        quarter.maxPixels = 16 * 8 / 4;
        QCOMPARE(loadPicture(fixturePath("pictures/pic.gif"), &error, quarter).size(), QSize(8, 4));

        PictureLimits fewScans;
        fewScans.maxScans = 2;
        QVERIFY(decodeJpeg(bytesOf("pictures/progressive.jpg"), &error, fewScans).isNull());
        QVERIFY2(error.contains(QLatin1String("scans")), qPrintable(error));
        QVERIFY(!decodeJpeg(bytesOf("pictures/progressive.jpg"), &error).isNull());
        QVERIFY(error.isEmpty());
    }

    // Cuts and flipped bytes at every position: never a crash or a read outside the data
    // (the sanitizer build checks the latter), and the size, when there is a picture, is right.
    void damagedJpegsNeverCrash()
    {
        const QByteArray jpeg = bytesOf("pictures/progressive.jpg");
        for (qsizetype n = 0; n < jpeg.size(); n += 7)
        {
            const QImage image = decodeJpeg(jpeg.left(n));
            QVERIFY(image.isNull() || image.size() == QSize(64, 48));
            QByteArray flipped = jpeg;
            flipped[n] = char(flipped.at(n) ^ 0x5A);
            const QImage other = decodeJpeg(flipped);
            QVERIFY(other.isNull() || (other.width() <= 65535 && other.height() <= 65535));
        }
    }
};

QTEST_MAIN(TestPictureLoader)
#include "test_PictureLoader.moc"
