#include "ZVRXDBGrid.h"
#include "common/ScriptedMessages.h"
#include "test_DBGridTables.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace {
// Records the font and text colour the style is given for every title it draws.
class TitleRecorder : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_HeaderLabel)
        {
            fonts << painter->font();
            colours << option->palette.color(QPalette::ButtonText);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    mutable QList<QFont> fonts;
    mutable QList<QColor> colours;
};
} // namespace

// Drives a grid in a real window with real key and mouse events.
class TestDBGrid : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    TZVRXDBGrid* grid = nullptr;
    QLineEdit* elsewhere = nullptr;
    std::unique_ptr<ScriptedMessages> messages;

    void showGrid(TDataSource& source, const QList<TDBGridColumn>& columns)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new TZVRXDBGrid(window.get());
        grid->setObjectName(QStringLiteral("ZVRXDBGrid1"));
        elsewhere = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(elsewhere);
        grid->setDataSource(&source);
        grid->setColumns(columns);
        window->resize(420, 300);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
    }
    void showText(TextTable& t) { showGrid(t.source, TextTable::columns()); }
    void showRanges(RangeTable& r) { showGrid(r.source, RangeTable::columns()); }

    // Keys go where a user's keys would go: to the widget that has the focus.
    static void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }
    static void type(const QString& text)
    {
        // QTest's character keys are ASCII only; Turkish letters are sent with their text.
        for (QChar c : text)
        {
            const auto code = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, QApplication::focusWidget(), code, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, QApplication::focusWidget(), code, QString(c), Qt::NoModifier);
        }
    }
    QPoint cellCentre(int row, int column) const
    {
        return grid->visualRect(grid->model()->index(row, column)).center();
    }
    void click(int row, int column)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(row, column));
    }

private Q_SLOTS:
    void init()
    {
        messages = std::make_unique<ScriptedMessages>();
        // Writing or closing an editor the view has already let go of is a fault of the grid.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
    }
    void cleanup()
    {
        window.reset();
        grid = nullptr;
        messages.reset();
    }

    void typingEditsAndLeavingTheRowPosts()
    {
        TextTable t;
        t.fill(3);
        showText(t);
        QCOMPARE(grid->currentIndex().row(), 0);
        type(QStringLiteral("Ayşe"));
        QCOMPARE(t.table.state(), dsEdit);
        QCOMPARE(grid->indicator()->markOfRow(0), TDBGridIndicator::Editing);
        key(Qt::Key_Down);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(0, 0), QStringLiteral("Ayşe"));
        QCOMPARE(t.table.currentIndex(), 1);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        QCOMPARE(grid->indicator()->markOfRow(1), TDBGridIndicator::Current);

        // A mouse click on another row posts too.
        key(Qt::Key_Tab);
        type(QStringLiteral("İzmir"));
        key(Qt::Key_Return);
        QCOMPARE(t.table.state(), dsEdit);
        click(2, 0);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(1, 1), QStringLiteral("İzmir"));
        QCOMPARE(t.table.currentIndex(), 2);
    }

    void refusedPostKeepsTheRowAndTheCell()
    {
        RangeTable r;
        r.add(1, 5);
        showRanges(r);
        key(Qt::Key_Down); // a new row after the last
        QCOMPARE(r.table.state(), dsInsert);
        QCOMPARE(grid->indicator()->markOfRow(1), TDBGridIndicator::Inserting);
        type(QStringLiteral("7"));
        key(Qt::Key_Tab);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));

        key(Qt::Key_Up); // BITIS is empty: refused
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: Bitiş değerini giriniz.")});
        QCOMPARE(r.table.state(), dsInsert);
        QCOMPARE(r.table.textAt(1, 0), QStringLiteral("7"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));

        click(0, 0); // the mouse is refused the same way
        QCOMPARE(messages->shown.size(), 2);
        QCOMPARE(r.table.state(), dsInsert);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));

        type(QStringLiteral("9"));
        key(Qt::Key_Up);
        QCOMPARE(r.table.state(), dsBrowse);
        QCOMPARE(r.table.recordCount(), 2);
        QCOMPARE(r.table.integerAt(1, 1), 9);
        QCOMPARE(r.table.currentIndex(), 0);
    }

    void clickingTheIndicatorGoesToTheRecord()
    {
        TextTable t;
        t.fill(5);
        showText(t);
        key(Qt::Key_Tab);
        type(QStringLiteral("Van"));
        const QRect section(0, grid->indicator()->sectionViewportPosition(3), grid->indicator()->width(),
                            grid->indicator()->sectionSize(3));
        QTest::mouseClick(grid->indicator()->viewport(), Qt::LeftButton, {}, section.center());
        QCOMPARE(t.table.textAt(0, 1), QStringLiteral("Van"));
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.currentIndex(), 3);
        QCOMPARE(grid->currentIndex(), grid->model()->index(3, 1));
    }

    void escapeCancels()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        type(QStringLiteral("Yanlış"));
        key(Qt::Key_Escape);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(0, 0), QStringLiteral("Kişi 0"));
        QCOMPARE(grid->model()->data(grid->model()->index(0, 0)).toString(), QStringLiteral("Kişi 0"));

        key(Qt::Key_Insert);
        type(QStringLiteral("Yeni"));
        key(Qt::Key_Return);
        QCOMPARE(t.table.rowCount(), 3);
        key(Qt::Key_Escape);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.rowCount(), 2);
        QCOMPARE(grid->model()->rowCount(), 2);
    }

    // Code that stores, drops, leaves or saves the record meets what is typed in an open cell
    // as part of the record, whichever window the grid is on; the grid's own keys are not needed.
    void tableTakesWhatIsTypedInAnOpenCell_data()
    {
        using Op = std::function<void(TRxMemoryData&)>;
        QTest::addColumn<Op>("operation");
        QTest::addColumn<QStringList>("expected"); // names afterwards; the typed cell is row 1
        const QStringList stored{QStringLiteral("Kişi 0"), QStringLiteral("Yazılan"), QStringLiteral("Kişi 2")};
        QTest::newRow("post") << Op([](TRxMemoryData& t) { t.post(); }) << stored;
        QTest::newRow("move") << Op([](TRxMemoryData& t) { t.first(); }) << stored;
        QTest::newRow("suspend") << Op([](TRxMemoryData& t) {
            TControlsSuspension quiet(t);
            t.first();
        }) << stored;
        QTest::newRow("cancel") << Op([](TRxMemoryData& t) {
            t.cancel();
        }) << QStringList{QStringLiteral("Kişi 0"), QStringLiteral("Kişi 1"), QStringLiteral("Kişi 2")};
        QTest::newRow("delete") << Op([](TRxMemoryData& t) { t.deleteRecord(); })
                                << QStringList{QStringLiteral("Kişi 0"), QStringLiteral("Kişi 2")};
    }
    void tableTakesWhatIsTypedInAnOpenCell()
    {
        QFETCH(std::function<void(TRxMemoryData&)>, operation);
        QFETCH(QStringList, expected);
        TextTable t;
        t.fill(3);
        showText(t);
        key(Qt::Key_Down);
        type(QStringLiteral("Yazılan"));
        QCOMPARE(t.table.state(), dsEdit);
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        operation(t.table);
        QCOMPARE(t.table.state(), dsBrowse);
        QStringList names;
        for (int row = 0; row < t.table.rowCount(); ++row)
            names << t.table.textAt(row, 0);
        QCOMPARE(names, expected);
        // The cell is closed: leaving it later writes nothing over the record.
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        key(Qt::Key_Up);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(grid->model()->rowCount(), expected.size());
    }

    void downOnTheLastRowAppends()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        key(Qt::Key_Down);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.currentIndex(), 1);
        key(Qt::Key_Down);
        QCOMPARE(t.table.state(), dsInsert);
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->currentIndex().row(), 2);
        key(Qt::Key_Down); // an untouched new row does not make another
        QCOMPARE(grid->model()->rowCount(), 3);
        key(Qt::Key_Up); // and is dropped when left
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(grid->currentIndex().row(), 1);
    }

    void typingIntoAnEmptyGridStartsARecord()
    {
        RangeTable r(false);
        showRanges(r);
        type(QStringLiteral("12"));
        key(Qt::Key_Tab);
        type(QStringLiteral("15"));
        key(Qt::Key_Return);
        QCOMPARE(r.table.state(), dsInsert);
        key(Qt::Key_Down); // posts and starts the next one
        QCOMPARE(r.table.recordCount(), 1);
        QCOMPARE(r.table.integerAt(0, 0), 12);
        QCOMPARE(r.table.integerAt(0, 1), 15);
        QCOMPARE(r.table.state(), dsInsert);
    }

    void ctrlDeleteAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("inCell");
        QTest::addColumn<QStringList>("left");
        const QStringList deleted{QStringLiteral("Kişi 0|İl 0"), QStringLiteral("Kişi 2|İl 2")};
        const QStringList kept{QStringLiteral("Kişi 0|İl 0"), QStringLiteral("Kişi 1|İl 1"),
                               QStringLiteral("Kişi 2|İl 2")};
        QTest::newRow("yes") << int(mrYes) << false << deleted;
        QTest::newRow("no") << int(mrNo) << false << kept;
        // The key reaches the grid from an open cell editor too.
        QTest::newRow("yes, typing in the cell") << int(mrYes) << true << deleted;
        QTest::newRow("no, typing in the cell") << int(mrNo) << true << kept;
    }
    void ctrlDeleteAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, inCell);
        QFETCH(QStringList, left);
        TextTable t;
        t.fill(3);
        showText(t);
        key(Qt::Key_Down);
        if (inCell)
        {
            type(QStringLiteral("x"));
            QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        }
        messages->setNextAnswer(answer);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Soru: Delete record?")});
        if (inCell && answer == mrNo)
        {
            // The open cell keeps what was typed.
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QVERIFY(editor->text().endsWith(QLatin1Char('x')));
            QCOMPARE(t.table.state(), dsEdit);
            key(Qt::Key_Escape);
        }
        QStringList rows;
        for (int i = 0; i < t.table.rowCount(); ++i)
            rows << t.table.textAt(i, 0) + QLatin1Char('|') + t.table.textAt(i, 1);
        QCOMPARE(rows, left);
        QCOMPARE(grid->model()->rowCount(), left.size());
        QCOMPARE(grid->currentIndex().row(), 1);
    }

    void aQuestionBoxTakingTheFocusKeepsTheNewRow()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        key(Qt::Key_Insert);
        // The question box is a window of its own and takes the focus while it is open.
        messages->onShow = [](const QString&) {
            QWidget box;
            auto* answer = new QLineEdit(&box);
            box.show();
            QApplication::setActiveWindow(&box);
            answer->setFocus();
            QTRY_VERIFY(answer->hasFocus());
        };
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(messages->shown.size(), 1);
        // Yes deletes the new row itself, never a stored one.
        QCOMPARE(t.table.recordCount(), 2);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(0, 0), QStringLiteral("Kişi 0"));
    }

    void ctrlDeleteOnAnEmptyTableAsksNothing()
    {
        TextTable t;
        showText(t);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(messages->shown.isEmpty());
    }

    void focusLeavingDropsOnlyAnUntouchedNewRow()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        key(Qt::Key_Insert);
        QCOMPARE(t.table.state(), dsInsert);
        QCOMPARE(t.table.currentIndex(), 0);
        elsewhere->setFocus();
        QTRY_VERIFY(elsewhere->hasFocus());
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.rowCount(), 2);
        QCOMPARE(grid->model()->rowCount(), 2);

        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        key(Qt::Key_Insert);
        type(QStringLiteral("Can")); // editor still open when the focus leaves
        elsewhere->setFocus();
        QTRY_VERIFY(elsewhere->hasFocus());
        QCOMPARE(t.table.state(), dsInsert);
        QCOMPARE(t.table.fieldAsString(0), QStringLiteral("Can"));
        QCOMPARE(t.table.recordCount(), 2);
    }

    void ctrlEndFollowsKeyVkEnd_data()
    {
        QTest::addColumn<bool>("keyVkEnd");
        QTest::addColumn<int>("rowAfter");
        QTest::addColumn<int>("keySeen");
        QTest::newRow("default true") << true << 9 << int(Qt::Key_End);
        QTest::newRow("false") << false << 0 << 0;
    }
    void ctrlEndFollowsKeyVkEnd()
    {
        QFETCH(bool, keyVkEnd);
        QFETCH(int, rowAfter);
        QFETCH(int, keySeen);
        TextTable t;
        t.fill(10);
        showText(t);
        QVERIFY(grid->KeyVK_END());
        grid->setKeyVK_END(keyVkEnd);
        QList<int> seen;
        grid->OnKeyDown = [&](int& k, Qt::KeyboardModifiers) {
            if (k != Qt::Key_Control)
                seen << k;
        };
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(seen, QList<int>{keySeen});
        QCOMPARE(t.table.currentIndex(), rowAfter);
        QCOMPARE(grid->currentIndex().row(), rowAfter);
        QCOMPARE(grid->currentIndex().column(), 0);

        // End alone moves to the last column of the same row either way.
        key(Qt::Key_End);
        QCOMPARE(grid->currentIndex(), grid->model()->index(rowAfter, 1));
        QCOMPARE(t.table.currentIndex(), rowAfter);
        key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(t.table.currentIndex(), 0);
    }

    void pagingKeys_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<bool>("ctrl");
        // Where the cursor lands: "+page" / "-page" a page from the start, "bottom" / "top" the
        // last / first row on screen, or a row number.
        QTest::addColumn<QString>("target");
        QTest::newRow("page down") << 0 << int(Qt::Key_PageDown) << false << QStringLiteral("+page");
        QTest::newRow("page up from the end") << 99 << int(Qt::Key_PageUp) << false << QStringLiteral("-page");
        QTest::newRow("page down stops at the end") << 97 << int(Qt::Key_PageDown) << false << QStringLiteral("99");
        QTest::newRow("page up stops at the top") << 2 << int(Qt::Key_PageUp) << false << QStringLiteral("0");
        QTest::newRow("ctrl+page down") << 0 << int(Qt::Key_PageDown) << true << QStringLiteral("bottom");
        QTest::newRow("ctrl+down") << 2 << int(Qt::Key_Down) << true << QStringLiteral("bottom");
        QTest::newRow("ctrl+up") << 3 << int(Qt::Key_Up) << true << QStringLiteral("top");
    }
    void pagingKeys()
    {
        QFETCH(int, start);
        QFETCH(int, pressed);
        QFETCH(bool, ctrl);
        QFETCH(QString, target);
        TextTable t;
        t.fill(100);
        showText(t);
        t.table.moveTo(start);
        const int page = grid->viewport()->height() / grid->rowHeight(0) - 1;
        QVERIFY(page > 3);
        QMap<QString, int> rows{{QStringLiteral("+page"), start + page},
                                {QStringLiteral("-page"), start - page},
                                {QStringLiteral("bottom"), grid->rowAt(grid->viewport()->height() - 1)},
                                {QStringLiteral("top"), grid->rowAt(0)}};
        const int expected = rows.value(target, target.toInt());
        key(Qt::Key(pressed), ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(t.table.currentIndex(), expected);
        QCOMPARE(grid->currentIndex().row(), expected);
    }

    void ctrlLeftRightGoToTheOuterColumns()
    {
        TextTable t;
        t.fill(3);
        showText(t);
        key(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 1));
        key(Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 0));
    }

    void onKeyDownCanSwallowAKey()
    {
        TextTable t;
        t.fill(3);
        showText(t);
        grid->OnKeyDown = [](int& k, Qt::KeyboardModifiers) {
            if (k == Qt::Key_Down)
                k = 0;
        };
        key(Qt::Key_Down);
        QCOMPARE(t.table.currentIndex(), 0);
    }

    void tabMovesBetweenCellsAndRows()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        key(Qt::Key_Tab);
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 1));
        key(Qt::Key_Tab);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        QCOMPARE(t.table.currentIndex(), 1);
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 1));
        QCOMPARE(t.table.currentIndex(), 0);
        // Tab out of an open editor commits it and moves on.
        type(QStringLiteral("Bursa"));
        key(Qt::Key_Tab);
        QCOMPARE(t.table.textAt(0, 1), QStringLiteral("Bursa"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        QCOMPARE(t.table.state(), dsBrowse);
    }

    void readOnlyGridIsAPureView()
    {
        TextTable t;
        t.fill(2);
        showText(t);
        grid->setReadOnly(true);
        type(QStringLiteral("x"));
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(0, 0), QStringLiteral("Kişi 0"));
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        QCOMPARE(t.table.rowCount(), 2);
        QCOMPARE(t.table.currentIndex(), 1);
        key(Qt::Key_Insert);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(t.table.rowCount(), 2);
        QCOMPARE(t.table.state(), dsBrowse);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }

    void followsTheCursorUnlessSuspended()
    {
        TextTable t;
        t.fill(30);
        showText(t);
        t.table.last();
        QCOMPARE(grid->currentIndex().row(), 29);
        QVERIFY(grid->viewport()->rect().contains(cellCentre(29, 0)));
        t.table.disableControls();
        t.table.first();
        t.table.next();
        QCOMPARE(grid->currentIndex().row(), 29);
        QCOMPARE(grid->indicator()->markOfRow(29), TDBGridIndicator::Current);
        t.table.enableControls();
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(grid->indicator()->markOfRow(1), TDBGridIndicator::Current);
        QCOMPARE(grid->indicator()->markOfRow(29), TDBGridIndicator::None);
    }

    void ellipsisButtonRaisesOnEditButtonClick()
    {
        TextTable t;
        t.fill(2);
        showGrid(t.source, {{QStringLiteral("ADI"), QStringLiteral("Hediye Bilgisi"), 160, false},
                            {QStringLiteral("IL_ILCE"), QStringLiteral("Resim Yolu"), 185, true}});
        QStringList fields;
        connect(grid, &TDBGrid::OnEditButtonClick, this, [&] {
            fields << grid->SelectedField()->fieldName();
            t.table.edit();
            t.table.setFieldString(1, QStringLiteral("/resim/a.jpg"));
        });
        const QRect name = grid->visualRect(grid->model()->index(0, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(name.right() - 3, name.center().y()));
        QVERIFY(fields.isEmpty()); // no button in that column

        click(0, 1); // makes the cell current
        QVERIFY(fields.isEmpty());
        const QRect path = grid->visualRect(grid->model()->index(0, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(path.right() - 3, path.center().y()));
        QCOMPARE(fields, QStringList{QStringLiteral("IL_ILCE")});
        QCOMPARE(t.table.fieldAsString(1), QStringLiteral("/resim/a.jpg"));

        // With the editor open the button sits inside it; what was typed does not overwrite
        // what the handler set.
        t.table.cancel();
        type(QStringLiteral("eski"));
        auto* button = QApplication::focusWidget()->findChild<QToolButton*>();
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(fields.size(), 2);
        QCOMPARE(t.table.fieldAsString(1), QStringLiteral("/resim/a.jpg"));
    }

    void titlesArePaintedInTheTitleFont()
    {
        TextTable t;
        showText(t);
        QFont titles;
        titles.setPointSize(8);
        titles.setBold(true);
        grid->setTitleFont(titles);
        grid->setTitleColor(QColor(0, 0, 128));
        TitleRecorder recorder;
        grid->horizontalHeader()->setStyle(&recorder);
        grid->horizontalHeader()->grab();
        grid->horizontalHeader()->setStyle(nullptr);
        QCOMPARE(recorder.fonts.size(), 2);
        for (const QFont& f : std::as_const(recorder.fonts))
        {
            QCOMPARE(f.pointSize(), 8);
            QVERIFY(f.bold());
            QCOMPARE(f.family(), grid->font().family()); // left unset, it follows the grid
        }
        QCOMPARE(recorder.colours, (QList<QColor>{QColor(0, 0, 128), QColor(0, 0, 128)}));
    }

    void statusBarReferenceIsDroppedAndAboutIsFixed()
    {
        TZVRXDBGrid g;
        auto* bar = new QStatusBar;
        g.setStatusBar(bar);
        QCOMPARE(g.StatusBar(), bar);
        delete bar;
        QCOMPARE(g.StatusBar(), nullptr);
        g.setProperty("About", QStringLiteral("s1.05"));
        QCOMPARE(g.property("About").toString(), QStringLiteral("s1.06"));
        QCOMPARE(g.property("KeyVK_END").toBool(), true);
    }
};

QTEST_MAIN(TestDBGrid)
#include "test_DBGrid.moc"
