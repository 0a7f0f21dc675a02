#include "ZvButtonColors.h"
#include "ZvEdit.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

class TestZvEdit : public QObject
{
    Q_OBJECT

    QWidget* window = nullptr;
    TZvBtnEdit* editSes = nullptr;
    TZvBtnEdit* editSes2 = nullptr;
    QLineEdit* other = nullptr;

private Q_SLOTS:
    void init()
    {
        window = new QWidget;
        window->resize(400, 150);
        other = new QLineEdit(window);
        other->setGeometry(10, 5, 100, 21);
        editSes = new TZvBtnEdit(window);
        editSes->setObjectName(QStringLiteral("EditSES"));
        editSes->setGeometry(10, 40, 313, 21);
        editSes2 = new TZvBtnEdit(window);
        editSes2->setObjectName(QStringLiteral("EditSES2"));
        editSes2->setGeometry(10, 80, 313, 21);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void embeddedButtonDefaults()
    {
        TZvEditButton* b = editSes->ZvWinButton();
        QVERIFY(b);
        QCOMPARE(b->parentWidget(), editSes);
        QCOMPARE(b->objectName(), QStringLiteral("EditButton"));
        QCOMPARE(editSes->findChild<TZvEditButton*>(QStringLiteral("EditButton")), b);
        QCOMPARE(b->width(), 21);
        QCOMPARE(b->color(), TColorToQColor(clBtnFace));
        QVERIFY(b->text().isEmpty());
        QVERIFY(b->isVisible());
        QCOMPARE(editSes->buttonWidht(), 21);
        QVERIFY(editSes->GetTanim().endsWith(QStringLiteral("\r\n06.08.2004")));
        QVERIFY(editSes->setProperty("About", QStringLiteral("x")));
        QCOMPARE(editSes->property("About").toString(), QStringLiteral("s1.03"));
    }

    void buttonStandsAtTheRightEdgeAndFollowsResizes()
    {
        TZvEditButton* b = editSes->ZvWinButton();
        const auto check = [&] {
            const int frame = editSes->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, editSes);
            QCOMPARE(b->geometry().right(), editSes->width() - frame - 1);
            QCOMPARE(b->geometry().top(), frame);
            QCOMPARE(b->height(), editSes->height() - 2 * frame);
        };
        check();
        editSes->resize(200, 30);
        check();
        QCOMPARE(editSes->textMargins().right(), 23);
    }

    void textKeepsClearOfTheButton_data()
    {
        QTest::addColumn<int>("buttonWidth");
        QTest::addColumn<int>("rightMargin");
        QTest::addColumn<bool>("visible");
        QTest::newRow("default") << 21 << 23 << true;
        QTest::newRow("wide") << 40 << 42 << true;
        QTest::newRow("one hides the button") << 1 << 3 << false;
        QTest::newRow("zero") << 0 << 2 << false;
    }
    void textKeepsClearOfTheButton()
    {
        QFETCH(int, buttonWidth);
        QFETCH(int, rightMargin);
        QFETCH(bool, visible);
        editSes->setButtonWidht(buttonWidth);
        TZvEditButton* b = editSes->ZvWinButton();
        QCOMPARE(b->isVisible(), visible);
        QCOMPARE(editSes->textMargins().right(), rightMargin);
        editSes->setText(QString(200, QLatin1Char('W')));
        editSes->setFocus();
        editSes->end(false);
        editSes->grab(); // the line edit scrolls its text while painting
        const int frame = editSes->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, editSes);
        const int caretX = editSes->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        QVERIFY(caretX < editSes->width() - frame - buttonWidth - 2);
        QVERIFY(caretX > editSes->width() - frame - buttonWidth - 12); // scrolled to the end, not short of it
    }

    void sameWidthOnlyReappliesVisibility()
    {
        TZvEditButton* b = editSes->ZvWinButton();
        b->hide();
        b->resize(30, b->height());
        editSes->setButtonWidht(21);
        QVERIFY(b->isVisible());
        QCOMPARE(b->width(), 30); // not re-applied: the stored width did not change
        editSes->setButtonWidht(1);
        QVERIFY(!b->isVisible());
        QCOMPARE(b->width(), 1);
        QCOMPARE(editSes->textMargins().right(), 3);
    }

    void buttonClickNamesTheBox()
    {
        QSignalSpy first(editSes, &TZvBtnEdit::OnBtnClick);
        QSignalSpy second(editSes2, &TZvBtnEdit::OnBtnClick);
        QTest::mouseClick(editSes2->ZvWinButton(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(first.size(), 0);
        QCOMPARE(second.size(), 1);
        QCOMPARE(second.at(0).at(0).value<TZvBtnEdit*>(), editSes2);
        QTest::mouseClick(editSes->ZvWinButton(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(first.size(), 1);
        QCOMPARE(first.at(0).at(0).value<TZvBtnEdit*>(), editSes);
    }

    void enterIsSwallowed_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("return") << int(Qt::Key_Return);
        QTest::newRow("keypad enter") << int(Qt::Key_Enter);
    }
    void enterIsSwallowed()
    {
        QFETCH(int, key);
        editSes->setText(QStringLiteral("ses.wav"));
        editSes->setFocus();
        QTRY_VERIFY(editSes->hasFocus());
        QSignalSpy clicks(editSes, &TZvBtnEdit::OnBtnClick);
        QSignalSpy returns(editSes, &QLineEdit::returnPressed);
        QTest::keyClick(editSes, Qt::Key(key));
        QCOMPARE(editSes->text(), QStringLiteral("ses.wav"));
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(returns.size(), 0);
        QTest::keyClicks(editSes, QStringLiteral("x"));
        QVERIFY(editSes->text().endsWith(QLatin1Char('x')));
    }

    void entrySelectsAllExceptFromTheMouse_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("autoSelect");
        QTest::addColumn<bool>("allSelected");
        QTest::newRow("tab") << QStringLiteral("tab") << true << true;
        QTest::newRow("program") << QStringLiteral("program") << true << true;
        QTest::newRow("left click") << QStringLiteral("left") << true << false;
        QTest::newRow("right click") << QStringLiteral("right") << true << true;
        QTest::newRow("tab without AutoSelect") << QStringLiteral("tab") << false << false;
    }
    void entrySelectsAllExceptFromTheMouse()
    {
        QFETCH(QString, how);
        QFETCH(bool, autoSelect);
        QFETCH(bool, allSelected);
        editSes->setText(QStringLiteral("C:\\Sesler\\davul.wav"));
        editSes->setAutoSelect(autoSelect);
        editSes->deselect();
        if (how == QStringLiteral("tab"))
        {
            QTest::keyClick(other, Qt::Key_Tab);
        }
        else if (how == QStringLiteral("program"))
        {
            editSes->setFocus(Qt::OtherFocusReason);
        }
        else
        {
            const Qt::MouseButton button = how == QStringLiteral("left") ? Qt::LeftButton : Qt::RightButton;
            QTest::mousePress(editSes, button, {}, QPoint(30, 10));
            QTest::mouseRelease(editSes, button, {}, QPoint(30, 10));
        }
        if (how != QStringLiteral("right"))
            QTRY_VERIFY(editSes->hasFocus());
        QCOMPARE(editSes->selectedText() == editSes->text(), allSelected);
    }

    void defaultGlyphIsSharedAndReleased()
    {
        auto* b = new TZvEditButton;
        QCOMPARE(b->glyphKind(), TZvEditButton::gkCustom);
        QVERIFY(b->glpyhImage().isNull());
        b->setGlyphKind(TZvEditButton::gkDefault);
        QVERIFY(!b->glpyhImage().isNull());
        QVERIFY(TZvEditButton::defaultGlyphLoaded());
        b->setGlyphKind(TZvEditButton::gkCustom);
        QVERIFY(!b->glpyhImage().isNull()); // custom keeps what is there
        delete b;
        QVERIFY(!TZvEditButton::defaultGlyphLoaded());
        QVERIFY(!TZvEditButton::defaultGlyph().isNull());
    }

    void destroyedBoxRaisesNothing()
    {
        int raised = 0;
        connect(editSes, &TZvBtnEdit::OnBtnClick, this, [&] { ++raised; });
        delete editSes;
        editSes = nullptr;
        QCOMPARE(raised, 0);
    }
};

QTEST_MAIN(TestZvEdit)
#include "test_ZvEdit.moc"
