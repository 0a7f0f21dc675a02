#include "ButtonPaint.h"
#include "ImageList.h"
#include "ZvButtonColors.h"
#include "ZvWinButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

namespace {

const QColor kFace(0, 128, 255);
const QColor kBlack(0, 0, 0);

QImage render(TZvWinButton& b, qreal dpr = 1.0, bool hover = false)
{
    QImage img(b.size() * dpr, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::magenta);
    QPainter p(&img);
    b.paintTo(p, hover);
    p.end();
    return img;
}

QColor at(const QImage& img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

// A 32 x 32 picture: red top-left pixel, green key in the lower-left corner and in the middle,
// dark grey elsewhere.
QImage testGlyph()
{
    QImage g(32, 32, QImage::Format_RGB32);
    g.fill(QColor(64, 64, 64));
    g.setPixel(0, 0, qRgb(255, 0, 0));
    g.setPixel(0, 31, qRgb(0, 255, 0));
    g.setPixel(16, 16, qRgb(0, 255, 0));
    return g;
}

int countColor(const QImage& img, const QRect& area, const QColor& c)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixel(x, y) == c.rgb();
    return n;
}

// Bounding box of the pixels inside `area` that differ from `face`.
QRect inkBox(const QImage& img, const QRect& area, const QColor& face)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != face.rgb())
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestZvWinButtonPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsOfANewButton()
    {
        TZvWinButton b;
        QCOMPARE(b.size(), QSize(100, 30));
        QCOMPARE(b.color(), kFace);
        QCOMPARE(b.raiseCol(), QColor(Qt::white));
        QCOMPARE(b.overCol(), QColor(255, 255, 0));
        QCOMPARE(b.fontColor(), QColor(Qt::white));
        QCOMPARE(b.grayedFontColor(), QColor(0x6D, 0x6D, 0x6D));
        QCOMPARE(b.glphyAlign(), TZvWinButton::poLeft);
        QCOMPARE(b.imageIndex(), -1);
        QVERIFY(b.font().bold());
        QCOMPARE(b.font().family(), QStringLiteral("Arial"));
        QVERIFY(b.showCaption() && b.tabStop() && b.showHint() && !b.parentColor());
        QCOMPARE(b.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(b.GetTanim().startsWith(QStringLiteral("ZEVORINT TZvWinButton\r\n")));
        QVERIFY(b.GetTanim().endsWith(QStringLiteral("\r\n02.04.2004")));
    }

    void storedColoursConvert_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("explicit BGR") << quint32(0x00FF8000) << QColor(0, 128, 255);
        QTest::newRow("yellow") << quint32(clYellow) << QColor(255, 255, 0);
        QTest::newRow("btn face") << quint32(clBtnFace) << QColor(0xF0, 0xF0, 0xF0);
        QTest::newRow("btn highlight") << quint32(clBtnHighlight) << QColor(255, 255, 255);
        QTest::newRow("btn shadow") << quint32(clBtnShadow) << QColor(0xA0, 0xA0, 0xA0);
        QTest::newRow("grey text") << quint32(clGrayText) << QColor(0x6D, 0x6D, 0x6D);
        QTest::newRow("unknown system index") << quint32(0xFF0000FF) << QColor(0, 0, 0);
    }
    void storedColoursConvert()
    {
        QFETCH(quint32, value);
        QFETCH(QColor, expected);
        QCOMPARE(TColorToQColor(value), expected);
        if (value < 0xFF000000u)
            QCOMPARE(QColorToTColor(expected), value);
    }

    void edgesAtRestAndPressed()
    {
        TZvWinButton b;
        b.resize(60, 25);
        b.setRaiseCol(QColor(200, 10, 10));
        const QColor raise(200, 10, 10);
        const int W = 60, H = 25;
        QImage img = render(b);
        for (int y = 0; y <= H - 2; ++y)
        {
            QCOMPARE(at(img, 0, y), raise);
            QCOMPARE(at(img, 1, y), raise);
        }
        for (int x = 0; x <= W - 2; ++x)
        {
            QCOMPARE(at(img, x, 0), raise);
            QCOMPARE(at(img, x, 1), raise);
        }
        for (int y = 0; y < H; ++y)
            QCOMPARE(at(img, W - 1, y), kBlack);
        for (int x = 0; x < W; ++x)
            QCOMPARE(at(img, x, H - 1), kBlack);
        for (int y = 2; y <= H - 2; ++y)
            QCOMPARE(at(img, W - 2, y), kBlack);
        for (int x = 2; x <= W - 2; ++x)
            QCOMPARE(at(img, x, H - 2), kBlack);
        QCOMPARE(at(img, 2, 2), kFace);
        QCOMPARE(at(img, W - 3, H - 3), kFace);

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(b.isDown());
        img = render(b);
        for (int x = 0; x < W; ++x)
        {
            QCOMPARE(at(img, x, 0), kBlack);
            QCOMPARE(at(img, x, H - 1), kBlack);
        }
        for (int y = 0; y < H; ++y)
        {
            QCOMPARE(at(img, 0, y), kBlack);
            QCOMPARE(at(img, W - 1, y), kBlack);
        }
        QCOMPARE(at(img, 1, 1), kFace);
        QCOMPARE(at(img, W - 2, H - 2), kFace);
    }

    void pictureOnlyButtonAtRestAndPressed()
    {
        TZvWinButton b;
        b.resize(43, 39);
        b.setGlpyhImage(testGlyph());
        QImage img = render(b);
        QCOMPARE(at(img, 5, 3), QColor(255, 0, 0));
        QCOMPARE(at(img, 6, 3), QColor(64, 64, 64));
        QCOMPARE(at(img, 4, 3), kFace);
        // the key colour shows the face, also in the middle of the picture
        QCOMPARE(at(img, 5, 34), kFace);
        QCOMPARE(at(img, 5 + 16, 3 + 16), kFace);
        QCOMPARE(at(img, 5 + 15, 3 + 16), QColor(64, 64, 64));
        QCOMPARE(b.workImage().size(), QSize(32, 32));

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        img = render(b);
        QCOMPARE(at(img, 7, 5), QColor(255, 0, 0));
        QCOMPARE(at(img, 5, 3), kFace);
        QCOMPARE(at(img, 7 + 16, 5 + 16), kFace);
    }

    void explicitTransparentColourWins()
    {
        TZvWinButton b;
        b.resize(43, 39);
        b.setGlpyhImage(testGlyph());
        b.setGlpyhTransparentColor(QColor(64, 64, 64));
        const QImage img = render(b);
        QCOMPARE(at(img, 6, 3), kFace);              // the grey body is the key now
        QCOMPARE(at(img, 5, 34), QColor(0, 255, 0)); // the lower-left pixel is shown as it is
    }

    void monochromePictureTreatsWhiteAsTransparent()
    {
        QImage mono(8, 8, QImage::Format_Mono);
        mono.setColor(0, qRgb(0, 0, 0));
        mono.setColor(1, qRgb(255, 255, 255));
        mono.fill(1);
        for (int i = 0; i < 8; ++i)
            mono.setPixel(i, 0, 0);
        mono.setPixel(0, 7, 0); // a black lower-left pixel does not make black the key
        TZvWinButton b;
        b.resize(30, 30);
        b.setGlpyhImage(mono);
        const QImage img = render(b);
        QCOMPARE(at(img, 11, 11), kBlack);
        QCOMPARE(at(img, 12, 12), kFace);
        QCOMPARE(at(img, 11, 18), kBlack);
    }

    void captionCentredAndShiftedWhenPressed()
    {
        TZvWinButton b;
        b.resize(309, 44);
        b.setText(QStringLiteral("Çekilişe Başla"));
        const QFontMetrics fm(b.font());
        const int tw = fm.horizontalAdvance(b.text()), th = fm.height();
        const QRect cell(154 - tw / 2, 22 - th / 2, tw, th);
        const QRect interior(3, 3, 309 - 6, 44 - 6);
        QImage img = render(b);
        const QRect rest = inkBox(img, interior, kFace);
        QVERIFY(!rest.isEmpty());
        // the last bold glyph may overhang its advance by a pixel
        QVERIFY2(cell.adjusted(0, 0, 2, 0).contains(rest),
                 qPrintable(QStringLiteral("ink %1,%2 %3x%4 outside cell %5,%6 %7x%8")
                                .arg(rest.x())
                                .arg(rest.y())
                                .arg(rest.width())
                                .arg(rest.height())
                                .arg(cell.x())
                                .arg(cell.y())
                                .arg(cell.width())
                                .arg(cell.height())));
        QVERIFY(countColor(img, cell, QColor(Qt::white)) > 20);
        QCOMPARE(countColor(img, interior, QColor(255, 255, 0)), 0);

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        img = render(b);
        QCOMPARE(inkBox(img, interior, kFace), rest.translated(2, 2));
        QVERIFY(countColor(img, cell.translated(2, 2), QColor(255, 255, 0)) > 20);
        QCOMPARE(countColor(img, interior, QColor(Qt::white)), 0);
    }

    void captionColourByState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("rest") << QStringLiteral("rest") << QColor(Qt::white);
        QTest::newRow("hover") << QStringLiteral("hover") << QColor(255, 255, 0);
        QTest::newRow("pressed") << QStringLiteral("pressed") << QColor(255, 255, 0);
        QTest::newRow("disabled") << QStringLiteral("disabled") << QColor(0x6D, 0x6D, 0x6D);
        QTest::newRow("disabled grey font colour") << QStringLiteral("grey") << QColor(10, 200, 10);
    }
    void captionColourByState()
    {
        QFETCH(QString, state);
        QFETCH(QColor, expected);
        TZvWinButton b;
        b.resize(120, 30);
        b.setText(QStringLiteral("Kaydet"));
        bool hover = false;
        if (state == QStringLiteral("hover"))
            hover = true;
        else if (state == QStringLiteral("pressed"))
            QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        else if (state == QStringLiteral("disabled"))
            b.setEnabled(false);
        else if (state == QStringLiteral("grey"))
        {
            b.setGrayedFontColor(expected);
            b.setEnabled(false);
        }
        const QImage img = render(b, 1.0, hover);
        const QRect interior(3, 3, 114, 24);
        QVERIFY(countColor(img, interior, expected) > 10);
        for (const QColor& other : {QColor(Qt::white), QColor(255, 255, 0), QColor(0x6D, 0x6D, 0x6D)})
            if (other != expected)
                QCOMPARE(countColor(img, interior, other), 0);
    }

    void newOverColourShowsAtTheNextPaint()
    {
        TZvWinButton b;
        b.setText(QStringLiteral("Tamam"));
        b.setOverCol(QColor(255, 0, 0));
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(countColor(render(b), QRect(3, 3, 94, 24), QColor(255, 0, 0)) > 10);
    }

    void showCaptionFalseLeavesAnEmptyFace()
    {
        TZvWinButton b;
        b.setText(QStringLiteral("Gizli"));
        b.setShowCaption(false);
        const QImage img = render(b);
        QVERIFY(inkBox(img, QRect(2, 2, 96, 26), kFace).isEmpty());
        QCOMPARE(at(img, 0, 0), QColor(Qt::white));
        QCOMPARE(at(img, 99, 29), kBlack);
    }

    void layoutOfPictureAndCaption_data()
    {
        QTest::addColumn<QSize>("button");
        QTest::addColumn<QSize>("text");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("a");
        QTest::addColumn<bool>("withCaption");
        QTest::addColumn<QPoint>("caption");
        QTest::addColumn<QPoint>("pictureAt");
        // the import button: picture at (99 - (32 + tw)/2, 3), caption at (104 + (32 - tw)/2, 19 - th/2)
        for (int tw : {60, 61, 131})
            QTest::addRow("200x38 left tw=%d", tw)
                << QSize(200, 38) << QSize(tw, 15) << QSize(32, 32) << int(TZvWinButton::poLeft) << 0 << true
                << QPoint(104 + (32 - tw) / 2, 19 - 15 / 2) << QPoint(99 - (32 + tw) / 2, 3);
        QTest::newRow("left truncates toward zero")
            << QSize(100, 30) << QSize(83, 16) << QSize(32, 32) << int(TZvWinButton::poLeft) << 0 << true
            << QPoint(50 - 25 + 4, 7) << QPoint(50 - 57 - 1, -1);
        QTest::newRow("right, 5 pixels apart")
            << QSize(200, 38) << QSize(60, 15) << QSize(32, 32) << int(TZvWinButton::poRight) << 2 << true
            << QPoint(53 + 2, 12 + 2) << QPoint(53 + 60 + 5 + 2, 3 + 2);
        QTest::newRow("top, content taller than the button")
            << QSize(100, 30) << QSize(40, 16) << QSize(16, 16) << int(TZvWinButton::poTop) << 0 << true
            << QPoint(30, 16) << QPoint(42, -3);
        QTest::newRow("bottom") << QSize(100, 60) << QSize(40, 16) << QSize(16, 16) << int(TZvWinButton::poBottom) << 0
                                << true << QPoint(30, 13) << QPoint(42, 29);
        QTest::newRow("picture alone centred") << QSize(43, 39) << QSize(0, 16) << QSize(32, 32)
                                               << int(TZvWinButton::poTop) << 2 << false << QPoint() << QPoint(7, 5);
        QTest::newRow("missing entry: caption 4 right of centre")
            << QSize(100, 30) << QSize(40, 16) << QSize(0, 0) << int(TZvWinButton::poLeft) << 0 << true
            << QPoint(50 - 20 + 4, 7) << QPoint(50 - 20 - 1, 15);
    }
    void layoutOfPictureAndCaption()
    {
        QFETCH(QSize, button);
        QFETCH(QSize, text);
        QFETCH(QSize, picture);
        QFETCH(int, align);
        QFETCH(int, a);
        QFETCH(bool, withCaption);
        QFETCH(QPoint, caption);
        QFETCH(QPoint, pictureAt);
        const auto l =
            ButtonPaint::faceLayout(button, text, picture, TZvWinButton::TPicPos(align), a, true, withCaption);
        if (withCaption)
            QCOMPARE(l.caption, caption);
        QCOMPARE(l.picture, pictureAt);
    }

    void wideCaptionStartsLeftOfTheButton()
    {
        TZvWinButton b;
        b.resize(40, 30);
        b.setText(QStringLiteral("Çok uzun bir buton yazısı"));
        const int tw = QFontMetrics(b.font()).horizontalAdvance(b.text());
        QVERIFY(tw > 40);
        const auto l = ButtonPaint::faceLayout(b.size(), QSize(tw, 10), QSize(), TZvWinButton::poLeft, 0, false, true);
        QCOMPARE(l.caption.x(), 20 - tw / 2);
        // clipped by the widget; the caption is drawn after the black edges but before the highlight
        const QImage img = render(b);
        QVERIFY(at(img, 39, 15) != kBlack);
        QCOMPARE(at(img, 39, 0), kBlack);
        QCOMPARE(at(img, 0, 15), QColor(Qt::white));
        QCOMPARE(at(img, 1, 15), QColor(Qt::white));
    }

    void importButtonPixels()
    {
        TZvWinButton b;
        b.resize(200, 38);
        b.setText(QStringLiteral("Aktar"));
        b.setGlpyhImage(testGlyph());
        const QFontMetrics fm(b.font());
        const int tw = fm.horizontalAdvance(b.text()), th = fm.height();
        const QImage img = render(b);
        const int px = 99 - (32 + tw) / 2;
        QCOMPARE(at(img, px, 3), QColor(255, 0, 0));
        const QRect cell(104 + (32 - tw) / 2, 19 - th / 2, tw, th);
        QVERIFY(countColor(img, cell, QColor(Qt::white)) > 10);
        QVERIFY(cell.left() >= px + 32 + 4); // the gap between picture and caption
    }

    void imageListEntriesNormalAndEmbossed()
    {
        TImageList list(16, 16);
        QImage entry(16, 16, QImage::Format_ARGB32);
        entry.fill(Qt::transparent);
        for (int y = 6; y < 10; ++y)
            for (int x = 6; x < 10; ++x)
                entry.setPixel(x, y, qRgb(200, 0, 200));
        list.add(entry);
        TZvWinButton b;
        b.resize(40, 40); // picture at (12, 12)
        b.setImages(&list);
        b.setImageIndex(0);
        QImage img = render(b);
        QCOMPARE(at(img, 18, 18), QColor(200, 0, 200));
        QCOMPARE(at(img, 22, 22), kFace);
        QCOMPARE(at(img, 17, 17), kFace);

        b.setEnabled(false);
        img = render(b);
        QCOMPARE(at(img, 18, 18), QColor(0xA0, 0xA0, 0xA0));
        QCOMPARE(at(img, 21, 21), QColor(0xA0, 0xA0, 0xA0));
        QCOMPARE(at(img, 22, 22), QColor(Qt::white));
        QCOMPARE(at(img, 22, 19), QColor(Qt::white));
        QCOMPARE(at(img, 17, 18), kFace);

        // a disabled button shows its own picture in its own colours
        b.setGlpyhImage(testGlyph());
        img = render(b);
        QCOMPARE(at(img, 4, 4), QColor(255, 0, 0));
    }

    void imageIndexNotHeldShowsNothing()
    {
        TImageList list(16, 16);
        TZvWinButton b;
        b.resize(60, 30);
        b.setImages(&list);
        b.setImageIndex(3);
        const QImage img = render(b);
        QVERIFY(b.workImage().isNull());
        QVERIFY(inkBox(img, QRect(2, 2, 56, 26), kFace).isEmpty());
    }

    void focusedButtonShowsRingDotsAndHoverCaption()
    {
        QWidget window;
        window.resize(200, 100);
        auto* b = new TZvWinButton(&window);
        b->setGeometry(10, 10, 100, 30);
        b->setText(QStringLiteral("Tamam"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        b->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(b->hasFocus());
        QVERIFY(b->focusSeen());
        const QImage img = render(*b);
        QCOMPARE(at(img, 0, 0), kBlack);
        QCOMPARE(at(img, 1, 1), QColor(Qt::white));
        const QColor inverted(255 - 0, 255 - 128, 255 - 255);
        QCOMPARE(at(img, 3, 3), inverted);
        QCOMPARE(at(img, 4, 3), kFace);
        QCOMPARE(at(img, 5, 3), inverted);
        QCOMPARE(at(img, 3, 4), kFace);
        QCOMPARE(at(img, 96, 26), inverted);
        QVERIFY(countColor(img, QRect(4, 4, 92, 22), QColor(255, 255, 0)) > 10);
        QCOMPARE(countColor(img, QRect(4, 4, 92, 22), QColor(Qt::white)), 0);
    }

    // A design-size picture covers two device pixels a side; one made for the ratio keeps its
    // own pixels at the same place and its key colour still shows the face.
    void crispAtDevicePixelRatioTwo_data()
    {
        QTest::addColumn<int>("pictureRatio");
        QTest::newRow("design-size picture") << 1;
        QTest::newRow("twice-size picture") << 2;
    }

    void crispAtDevicePixelRatioTwo()
    {
        QFETCH(int, pictureRatio);
        TZvWinButton b;
        b.resize(43, 39);
        QImage glyph = testGlyph().scaled(QSize(32, 32) * pictureRatio);
        for (const QPoint& grey : {QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
            if (pictureRatio == 2)
                glyph.setPixel(grey, qRgb(64, 64, 64));
        glyph.setDevicePixelRatio(pictureRatio);
        b.setGlpyhImage(glyph);
        const QImage img = render(b, 2.0);
        QCOMPARE(img.size(), QSize(86, 78));
        QCOMPARE(b.workImage().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(at(img, 10, 6), QColor(255, 0, 0));
        QCOMPARE(at(img, 11, 7), pictureRatio == 1 ? QColor(255, 0, 0) : QColor(64, 64, 64));
        QCOMPARE(at(img, 10 + 32, 6 + 32), kFace);
        for (int d : {0, 1})
        {
            QCOMPARE(at(img, d, 40), QColor(Qt::white));
            QCOMPARE(at(img, 3, 40), QColor(Qt::white));
            QCOMPARE(at(img, 84 + d, 40), kBlack);
        }
        QCOMPARE(at(img, 4, 40), kFace);
        QCOMPARE(at(img, 9, 6), kFace);
    }
};

QTEST_MAIN(TestZvWinButtonPaint)
#include "test_ZvWinButtonPaint.moc"
