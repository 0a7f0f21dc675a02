#include "ZvButtonColors.h"
#include "ZvEdit.h"
#include "ZvWinButton.h"

#include <QPainter>
#include <QTest>

// The common settings a window gives its buttons, on top of the button's own defaults.
class TestZvWinButtonForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowSettingsReplaceTheButtonDefaults()
    {
        QWidget window;
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
        window.setPalette(palette);
        auto* plain = new TZvWinButton(&window);
        auto* big = new TZvWinButton(&window);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(16);
        big->setFont(f);
        auto* edit = new TZvBtnEdit(&window);

        // Left alone, a button has its own blue face, white caption and yellow hover colour.
        QCOMPARE(plain->color(), QColor(0, 128, 255));
        QCOMPARE(plain->overCol(), QColor(Qt::yellow));

        TZvWinButton::applyFormSettingsTo(&window);

        QVERIFY(plain->parentColor());
        QCOMPARE(plain->color(), QColor(0xF0, 0xF0, 0xF0));
        QCOMPARE(plain->fontColor(), QColor(Qt::black));
        QCOMPARE(plain->overCol(), QColor(Qt::blue));
        QCOMPARE(plain->raiseCol(), QColor(Qt::white));
        QCOMPARE(plain->font().pixelSize(), 13);
        QVERIFY(plain->font().bold());
        QCOMPARE(big->font().pixelSize(), 16);
        QCOMPARE(edit->ZvWinButton()->overCol(), QColor(Qt::yellow));
        // The file box's button keeps its face rather than taking the white of its box.
        QVERIFY(!edit->ZvWinButton()->parentColor());
        QCOMPARE(edit->ZvWinButton()->color(), TColorToQColor(clBtnFace));

        // The face really is painted in the window's colour now.
        plain->resize(100, 30);
        QImage image(plain->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        plain->paintTo(painter);
        painter.end();
        QCOMPARE(QColor(image.pixel(50, 26)), QColor(0xF0, 0xF0, 0xF0));
    }
};

QTEST_MAIN(TestZvWinButtonForm)
#include "test_ZvWinButtonForm.moc"
