#include "ImageList.h"
#include "ZvWinButton.h"

#include <QApplication>
#include <QBackingStore>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// Runs `check` inside the nested loop of `menu` once it shows, then closes it. The menu is
// closed after a while in any case, so a missing popup fails the test instead of hanging it.
void whenMenuOpens(QMenu* menu, std::function<void(QMenu*)> check)
{
    auto* timer = new QTimer(menu);
    timer->setInterval(5);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, menu, [timer, menu, check, polls] {
        if (menu->isVisible())
        {
            timer->stop();
            check(menu);
            menu->close();
        }
        else if (++*polls > 1000)
        {
            timer->stop();
        }
    });
    timer->start();
}

// What the window's backing store holds for `w`, as last painted; null when the platform's
// store is not an image.
QImage onScreen(QWidget* w)
{
    auto* image = dynamic_cast<QImage*>(w->window()->backingStore()->paintDevice());
    if (!image)
        return QImage();
    const qreal dpr = image->devicePixelRatio();
    return image->copy(QRect(w->mapTo(w->window(), QPoint(0, 0)) * dpr, w->size() * dpr));
}

int pixelsOnScreen(QWidget* w, const QColor& c)
{
    const QImage image = onScreen(w);
    if (image.isNull())
        return -1;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == c.rgb();
    return n;
}

struct EventCounter : QObject
{
    explicit EventCounter(QEvent::Type counted = QEvent::Paint) : type(counted) {}
    QEvent::Type type;
    int seen = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        seen += e->type() == type;
        return false;
    }
};

} // namespace

class TestZvWinButton : public QObject
{
    Q_OBJECT

    QWidget* window = nullptr;
    TZvWinButton* b1 = nullptr;
    TZvWinButton* b2 = nullptr;
    QLineEdit* edit = nullptr;

private Q_SLOTS:
    void init()
    {
        window = new QWidget;
        window->resize(300, 200);
        window->move(20, 20);
        b1 = new TZvWinButton(window);
        b1->setObjectName(QStringLiteral("ZvWinButton1"));
        b1->setGeometry(10, 10, 100, 30);
        b1->setText(QStringLiteral("Bir"));
        b2 = new TZvWinButton(window);
        b2->setGeometry(10, 50, 100, 30);
        edit = new QLineEdit(window);
        edit->setGeometry(10, 90, 100, 22);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void leftPressTakesFocusAndReleaseClicks()
    {
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QSignalSpy downs(b1, &TZvWinButton::OnMouseDown);
        QTest::mousePress(b1, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 12));
        QVERIFY(b1->hasFocus());
        QVERIFY(b1->isDown() && b1->isMouseHeld());
        QCOMPARE(downs.size(), 1);
        QCOMPARE(downs.at(0).at(0).value<TZvWinButton*>(), b1);
        QCOMPARE(downs.at(0).at(3).toInt(), 30);
        QCOMPARE(downs.at(0).at(4).toInt(), 12);
        QCOMPARE(downs.at(0).at(2).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
        QCOMPARE(clicks.size(), 0);
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(30, 12));
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!b1->isDown() && !b1->isMouseHeld());
    }

    void noTabStopMeansNoFocusOnPress()
    {
        b1->setTabStop(false);
        edit->setFocus();
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(edit->hasFocus());
        QCOMPARE(clicks.size(), 1);
    }

    void returningWhileHeldPressesAgain()
    {
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QSignalSpy downs(b1, &TZvWinButton::OnMouseDown);
        QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(50, 15));
        QTest::mouseMove(b1, QPoint(150, 60));
        QVERIFY(!b1->isDown());
        QVERIFY(b1->isMouseHeld());
        QTest::mouseMove(b1, QPoint(60, 20));
        QVERIFY(b1->isDown());
        QCOMPARE(downs.size(), 2);
        QCOMPARE(downs.at(1).at(3).toInt(), 10);
        QCOMPARE(downs.at(1).at(4).toInt(), 10);
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(60, 20));
        QCOMPARE(clicks.size(), 1);
    }

    void hoverCaptionIsDrawnOnceUntilTheNextPaint()
    {
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        b1->repaint();
        const QColor over = b1->overCol();
        if (pixelsOnScreen(b1, over) < 0)
            QSKIP("the platform's backing store is not an image");
        QCOMPARE(pixelsOnScreen(b1, over), 0);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b1->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(b1, &enter);
        QVERIFY(pixelsOnScreen(b1, over) > 10);
        QVERIFY(!b1->isDown());
        b1->repaint(); // any later paint shows the resting caption again
        QCOMPARE(pixelsOnScreen(b1, over), 0);
        QVERIFY(pixelsOnScreen(b1, b1->fontColor()) > 10);

        // held down with Space, the pressed face stays as it is
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b1, &leave);
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        QTest::keyPress(b1, Qt::Key_Space);
        b1->repaint();
        const QImage pressed = onScreen(b1);
        QApplication::sendEvent(b1, &enter);
        QVERIFY(b1->isDown());
        QCOMPARE(onScreen(b1), pressed);
        QTest::keyRelease(b1, Qt::Key_Space);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());

        b1->setEnabled(false);
        b1->repaint();
        QApplication::sendEvent(b1, &leave);
        QApplication::sendEvent(b1, &enter);
        QCOMPARE(pixelsOnScreen(b1, over), 0); // a disabled button does not hover
    }

    void releasingOutsideDoesNotClick()
    {
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(50, 15));
        QTest::mouseMove(b1, QPoint(-20, 15));
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(-20, 15));
        QCOMPARE(clicks.size(), 0);
        QVERIFY(!b1->isMouseHeld());
        // nothing left held: coming back in does not press
        QTest::mouseMove(b1, QPoint(50, 15));
        QVERIFY(!b1->isDown());
    }

    void anyReleaseWhileDownClicks_data()
    {
        QTest::addColumn<Qt::MouseButton>("released");
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }
    void anyReleaseWhileDownClicks()
    {
        QFETCH(Qt::MouseButton, released);
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::mouseRelease(b1, released, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 0); // not down: nothing
        QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(b1, released, {}, QPoint(5, 5));
        QVERIFY(b1->isDown()); // only the left button presses
        QTest::mouseRelease(b1, released, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 1);
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 1);
    }

    void doubleClickGivesTwoClicks_data()
    {
        QTest::addColumn<bool>("pressBeforeDoubleClick");
        QTest::newRow("press then double-click event") << true;
        QTest::newRow("double-click event alone") << false;
    }
    void doubleClickGivesTwoClicks()
    {
        QFETCH(bool, pressBeforeDoubleClick);
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QSignalSpy downs(b1, &TZvWinButton::OnMouseDown);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        if (pressBeforeDoubleClick)
            QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseDClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(downs.size(), 2);
    }

    void keyboardPresses_data()
    {
        QTest::addColumn<QList<int>>("keys"); // positive: press, negative: release
        QTest::addColumn<int>("expectedClicks");
        QTest::addColumn<bool>("downAfter");
        const int space = Qt::Key_Space;
        QTest::newRow("space down and up") << QList<int>{space, -space} << 1 << false;
        QTest::newRow("space held") << QList<int>{space} << 0 << true;
        QTest::newRow("space repeat") << QList<int>{space, space, space, -space} << 1 << false;
        QTest::newRow("other key cancels") << QList<int>{space, Qt::Key_A, -space} << 0 << false;
        QTest::newRow("other key released cancels") << QList<int>{space, -int(Qt::Key_A), -space} << 0 << false;
        QTest::newRow("enter") << QList<int>{int(Qt::Key_Return)} << 1 << false;
        QTest::newRow("keypad enter") << QList<int>{int(Qt::Key_Enter)} << 1 << false;
        QTest::newRow("enter during space") << QList<int>{space, int(Qt::Key_Return), -space} << 1 << false;
    }
    void keyboardPresses()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, expectedClicks);
        QFETCH(bool, downAfter);
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        for (int k : keys)
        {
            if (k > 0)
                QTest::keyPress(b1, Qt::Key(k));
            else
                QTest::keyRelease(b1, Qt::Key(-k));
        }
        QCOMPARE(clicks.size(), expectedClicks);
        QCOMPARE(b1->isDown(), downAfter);
    }

    void enterNeverShowsThePressedLook()
    {
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        bool downSeen = false;
        connect(b1, &TZvWinButton::clicked, this, [&] { downSeen |= b1->isDown(); });
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::keyClick(b1, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!downSeen);
        QVERIFY(!b1->isDown());
    }

    void focusGainedElsewhereCancelsPresses()
    {
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        QTest::keyPress(b1, Qt::Key_Space);
        QVERIFY(b1->isDown());
        QTest::mousePress(b2, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!b1->isDown());
        QVERIFY(b2->isDown() && b2->hasFocus());
        edit->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        QVERIFY(!b2->isDown());
        QVERIFY(!b2->isMouseHeld());
        QSignalSpy clicks(b2, &TZvWinButton::clicked);
        QTest::mouseRelease(b2, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 0);
        QVERIFY(!b2->focusSeen());
    }

    void disabledButtonDoesNothing()
    {
        b1->setEnabled(false);
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QSignalSpy downs(b1, &TZvWinButton::OnMouseDown);
        edit->setFocus();
        QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(downs.size(), 0);
        QCOMPARE(clicks.size(), 0);
        QVERIFY(!b1->isDown() && !b1->hasFocus());
        // a whole window disabled: even a press delivered directly does not press
        b1->setEnabled(true);
        window->setEnabled(false);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(25, 25));
        QApplication::sendEvent(b1, &enter);
        QVERIFY(!b1->isDown());
        window->setEnabled(true);
    }

    void dropDownMenuOpensBelowWithoutClicking_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("left press") << QStringLiteral("mouse");
        QTest::newRow("space") << QStringLiteral("space");
        QTest::newRow("enter") << QStringLiteral("enter");
    }
    void dropDownMenuOpensBelowWithoutClicking()
    {
        QFETCH(QString, how);
        QMenu menu;
        menu.addAction(QStringLiteral("Bir"));
        b1->setDropDownMenu(&menu);
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QPoint shownAt;
        QObject* popupComponent = nullptr;
        whenMenuOpens(&menu, [&](QMenu* m) {
            shownAt = m->pos();
            popupComponent = m->property("PopupComponent").value<QObject*>();
        });
        if (how == QStringLiteral("mouse"))
        {
            QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(5, 5));
        }
        else if (how == QStringLiteral("space"))
        {
            QTest::keyPress(b1, Qt::Key_Space);
            QTest::keyRelease(b1, Qt::Key_Space);
        }
        else
        {
            QTest::keyClick(b1, Qt::Key_Return);
        }
        QCOMPARE(shownAt, b1->mapToGlobal(QPoint(1, 31)));
        QCOMPARE(popupComponent, b1);
        QCOMPARE(clicks.size(), 0);
        QVERIFY(!b1->isDown() && !b1->isMouseHeld());
    }

    void pointerReturningWhileTheMenuIsOpenDoesNotPressAgain()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Bir"));
        b1->setDropDownMenu(&menu);
        QSignalSpy downs(b1, &TZvWinButton::OnMouseDown);
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        whenMenuOpens(&menu, [&](QMenu* m) {
            // a nested menu would block here; close it after a while so the test can fail
            QTimer::singleShot(2000, m, [m] { m->close(); });
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(b1, &leave);
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b1->mapToGlobal(QPointF(5, 5)));
            QApplication::sendEvent(b1, &enter);
        });
        QTest::mousePress(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(downs.size(), 1);
        QCOMPARE(clicks.size(), 0);
        QVERIFY(!b1->isMouseHeld() && !b1->isDown());
    }

    void popupMenuAtThePointerOnRightPress()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Sağ"));
        b1->setPopupMenu(&menu);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QPoint shownAt;
        whenMenuOpens(&menu, [&](QMenu* m) { shownAt = m->pos(); });
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        EventCounter focusIns(QEvent::FocusIn);
        b1->installEventFilter(&focusIns);
        QTest::mousePress(b1, Qt::RightButton, {}, QPoint(40, 12));
        QCOMPARE(shownAt, b1->mapToGlobal(QPoint(40, 12)));
        QTest::mouseRelease(b1, Qt::RightButton, {}, QPoint(40, 12));
        QCOMPARE(clicks.size(), 0);
        QTRY_VERIFY(edit->hasFocus());
        QCOMPARE(focusIns.seen, 0); // only a left press takes the focus
        b1->removeEventFilter(&focusIns);
    }

    void destroyedMenusAndListsAreForgotten()
    {
        auto* drop = new QMenu;
        auto* popup = new QMenu;
        auto* list = new TImageList(16, 16);
        list->add(QImage(16, 16, QImage::Format_RGB32));
        b1->setDropDownMenu(drop);
        b1->setPopupMenu(popup);
        b1->setImages(list);
        b1->setImageIndex(0);
        delete drop;
        delete popup;
        delete list;
        QVERIFY(!b1->dropDownMenu() && !b1->popupMenu() && !b1->images());
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(b1, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!b1->grab().isNull());
    }

    void imageListChangesRepaint()
    {
        TImageList list(16, 16);
        b1->setImages(&list);
        b1->setImageIndex(0);
        QCoreApplication::processEvents();
        EventCounter counter;
        b1->installEventFilter(&counter);
        list.add(QImage(16, 16, QImage::Format_RGB32));
        QTRY_VERIFY(counter.seen > 0);
        QCOMPARE(b1->workImage().size(), QSize(16, 16));
        // a list that is no longer referred to does not repaint the button
        b1->setImages(nullptr);
        QCoreApplication::processEvents();
        counter.seen = 0;
        list.add(QImage(16, 16, QImage::Format_RGB32));
        QCoreApplication::processEvents();
        QCOMPARE(counter.seen, 0);
        b1->removeEventFilter(&counter);
    }

    void settersRepaintOnlyWhenTheFaceChanges_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("repaints");
        QTest::newRow("RaiseCol") << QStringLiteral("RaiseCol") << QVariant(QColor(Qt::red)) << true;
        QTest::newRow("OverCol waits") << QStringLiteral("OverCol") << QVariant(QColor(Qt::red)) << false;
        QTest::newRow("text") << QStringLiteral("text") << QVariant(QStringLiteral("İki")) << true;
        QTest::newRow("same text") << QStringLiteral("text") << QVariant(QStringLiteral("Bir")) << false;
        QTest::newRow("ShowCaption off") << QStringLiteral("ShowCaption") << QVariant(false) << true;
        QTest::newRow("ShowCaption same") << QStringLiteral("ShowCaption") << QVariant(true) << false;
        QTest::newRow("GlphyAlign") << QStringLiteral("GlphyAlign") << QVariant(int(TZvWinButton::poTop)) << true;
        QTest::newRow("GlphyAlign same") << QStringLiteral("GlphyAlign") << QVariant(int(TZvWinButton::poLeft))
                                         << false;
        QTest::newRow("ImageIndex same") << QStringLiteral("ImageIndex") << QVariant(-1) << false;
        QTest::newRow("ModalResult") << QStringLiteral("ModalResult") << QVariant(1) << false;
        QTest::newRow("Color") << QStringLiteral("Color") << QVariant(QColor(Qt::green)) << true;
    }
    void settersRepaintOnlyWhenTheFaceChanges()
    {
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(bool, repaints);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QCoreApplication::processEvents();
        EventCounter counter;
        b1->installEventFilter(&counter);
        QVERIFY(b1->setProperty(property.toLatin1().constData(), value));
        QCoreApplication::processEvents();
        QCOMPARE(counter.seen > 0, repaints);
    }

    void parentColourIsTakenFromTheWindow()
    {
        QPalette pal = window->palette();
        pal.setColor(QPalette::Window, QColor(10, 20, 30));
        window->setPalette(pal);
        b1->setParentColor(true);
        QCOMPARE(b1->color(), QColor(10, 20, 30));
        b1->setColor(QColor(1, 2, 3)); // an explicit colour ends following the parent
        QVERIFY(!b1->parentColor());
        QCOMPARE(b1->color(), QColor(1, 2, 3));
    }

    void deletingTheFocusedButtonIsSafe()
    {
        b1->setFocus();
        QTRY_VERIFY(b1->hasFocus());
        QTest::keyPress(b1, Qt::Key_Space);
        delete b1;
        QCoreApplication::processEvents();
        QTest::mouseClick(b2, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(b2->hasFocus());
    }

    void modalResultGoesToTheWindow()
    {
        window->setProperty("ModalResult", 5);
        b1->setModalResult(0);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(window->property("ModalResult").toInt(), 0);
        b1->setModalResult(mrCancelValue());
        QTest::keyClick(b1, Qt::Key_Return);
        QCOMPARE(window->property("ModalResult").toInt(), mrCancelValue());
    }

    void modalDialogClosesAfterTheClickHandler_data()
    {
        QTest::addColumn<int>("modalResult");
        QTest::addColumn<bool>("handlerResets");
        QTest::addColumn<int>("expected");
        QTest::newRow("ok") << 1 << false << 1;
        QTest::newRow("handler keeps it open") << 1 << true << -1;
        QTest::newRow("none") << 0 << false << -1;
    }
    void modalDialogClosesAfterTheClickHandler()
    {
        QFETCH(int, modalResult);
        QFETCH(bool, handlerResets);
        QFETCH(int, expected);
        QDialog dialog;
        auto* ok = new TZvWinButton(&dialog);
        ok->setGeometry(5, 5, 80, 30);
        ok->setModalResult(modalResult);
        bool visibleInHandler = false;
        connect(ok, &TZvWinButton::clicked, &dialog, [&] {
            visibleInHandler = dialog.isVisible();
            if (handlerResets)
                dialog.setResult(0);
        });
        QTimer::singleShot(0, ok, [&] {
            QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5));
            if (dialog.isVisible())
                dialog.done(-1);
        });
        QCOMPARE(dialog.exec(), expected);
        QVERIFY(visibleInHandler);
    }

    void actionRunsWhenNobodyListens()
    {
        QAction action;
        QSignalSpy triggered(&action, &QAction::triggered);
        b1->setAction(&action);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(triggered.size(), 1);
        QSignalSpy clicks(b1, &TZvWinButton::clicked);
        QTest::mouseClick(b1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(triggered.size(), 1);
    }

    void handlerMayDestroyTheButton()
    {
        connect(
            b1, &TZvWinButton::clicked, b1, [this] { delete b1; }, Qt::DirectConnection);
        QPointer<TZvWinButton> guard(b1);
        b1->Click();
        QVERIFY(!guard);
    }

    void fixedTextsAndIgnoredWrites()
    {
        QVERIFY(b1->setProperty("About", QStringLiteral("s9.99")));
        QCOMPARE(b1->property("About").toString(), QStringLiteral("s1.05"));
        QFont small(QStringLiteral("Arial"), 7);
        b1->setGrayedFont(small);
        QCOMPARE(b1->grayedFont().pointSize(), 7);
        b1->setGrayedFont(b1->font()); // the button's own font object is refused
        QCOMPARE(b1->grayedFont().pointSize(), 7);
        const QFont copy = b1->font(); // an equal font given as a value is taken
        b1->setGrayedFont(copy);
        QCOMPARE(b1->grayedFont(), copy);
        QVERIFY(b1->setProperty("GlphyAlign", QStringLiteral("poBottom")));
        QCOMPARE(b1->glphyAlign(), TZvWinButton::poBottom);
    }

private:
    static int mrCancelValue() { return 2; }
};

QTEST_MAIN(TestZvWinButton)
#include "test_ZvWinButton.moc"
