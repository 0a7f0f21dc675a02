#include "DBGrid.h"
#include "DrawTables.h"
#include "MainU.h"
#include "RxMemoryData.h"
#include "SpinEdit.h"
#include "common/FakeClock.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"
#include "ui_MainU.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <memory>

// Sequences an operator goes through on the finished main window, each crossing several parts
// of the program.
class TestJourneys : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;

    std::unique_ptr<TMainF> openWindow()
    {
        auto window = std::make_unique<TMainF>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("main window not exposed");
        return window;
    }

    void addRange(TMainF& window, int first, int last)
    {
        window.Rx_T->append();
        window.Rx_T->setFieldInteger(0, first);
        window.Rx_T->setFieldInteger(1, last);
        window.Rx_T->post();
    }

private Q_SLOTS:
    void init()
    {
        folder = std::make_unique<TemporaryProgramFolder>();
        QVERIFY(folder->isValid());
        messages = std::make_unique<ScriptedMessages>();
    }
    void cleanup()
    {
        messages.reset();
        folder.reset();
    }

    // The close box stays usable while the number draw has disabled the window; closing then
    // hid the window while the draw went on unseen, sometimes for minutes.
    void closeDuringNumberDrawIsRefused()
    {
        FakeClock clock;
        auto window = openWindow();
        Ui::TMainF* ui = window->form();
        ui->SpinBSL->setValue(1);
        ui->SpinBTS->setValue(100);
        ui->SpinADET->setValue(5);
        addRange(*window, 200, 300); // matches nothing, so every pick pauses once

        int attempts = 0;
        bool closedDuringDraw = false;
        bool visibleAfterAttempt = false;
        clock.onSleep = [&](int) {
            if (attempts++ == 0)
            {
                closedDuringDraw = window->close();
                visibleAfterAttempt = window->isVisible();
            }
        };
        window->ZvWinButton1Click();
        clock.onSleep = nullptr;

        QVERIFY(attempts > 0);
        QVERIFY(!closedDuringDraw);
        QVERIFY(visibleAfterAttempt);
        QVERIFY(!QFile::exists(folder->filePath(QStringLiteral("Memory.Ini"))));
        QCOMPARE(ui->ListBox1->count(), 5);
        QVERIFY(messages->shown.contains(QStringLiteral("Bilgi: İşlem tamamlandı...")));

        // Once the draw is over the window closes as usual and keeps the range.
        QVERIFY(window->isEnabled());
        QVERIFY(window->close());
        QFile memory(folder->filePath(QStringLiteral("Memory.Ini")));
        QVERIFY(memory.open(QIODevice::ReadOnly));
        QCOMPARE(memory.readAll(), QByteArray::fromHex("01c800000001"
                                                       "2c010000"));
    }

    // The winner is picked while the definitions window may be open with a participant's cell
    // being typed in; moving to the first participant stores that row, and what was typed in
    // the open cell belongs to it instead of being thrown away.
    void revealKeepsWhatIsTypedInAnOpenCell()
    {
        writeTableFile(folder->filePath(QStringLiteral("Kisi.Ini")), QStringLiteral("ADI"), 40,
                       QStringLiteral("IL_ILCE"), 40, {{QStringLiteral("Ayşe")}});
        writeTableFile(folder->filePath(QStringLiteral("Hediye.Ini")), QStringLiteral("HEDIYE"), 40,
                       QStringLiteral("RESIMYOLU"), 100, {{QStringLiteral("Bisiklet")}});
        auto window = openWindow();
        window->form()->CheckEFEKT->setChecked(false);

        TDBGrid grid;
        grid.setDataSource(window->tables().Kisi_S);
        grid.setColumns(gridColumns(TDrawTables::KisiColumns));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QModelIndex cell = grid.model()->index(0, 1);
        grid.setCurrentIndex(cell);
        static_cast<QAbstractItemView&>(grid).edit(cell);
        auto* editor = grid.findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("Ankara"));

        window->ZvWinButton6Click();
        window->ZvWinButton7Click(); // reveal at once

        QCOMPARE(window->Kzn_T->recordCount(), 1);
        QCOMPARE(window->Kisi_T->recordCount(), 1);
        window->Kisi_T->first();
        QCOMPARE(window->Kisi_T->fieldAsString(QStringLiteral("IL_ILCE")), QStringLiteral("Ankara"));
        QCOMPARE(window->Kisi_T->state(), dsBrowse);
    }

    // A range cell can still be open when the window is closed, by the close box or by Esc
    // (every window closes on Esc through its Kapat action, also while a cell is typed in).
    // The range stored at the close is the one on screen, not the value from before the typing.
    void closeStoresTheRangeBeingTyped_data()
    {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void closeStoresTheRangeBeingTyped()
    {
        QFETCH(bool, byEsc);
        auto window = openWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        addRange(*window, 5, 12);
        TDBGrid* grid = window->form()->ZVRXDBGrid1;
        window->form()->PageControl1->setCurrentIndex(1);
        const QModelIndex cell = grid->model()->index(0, 1);
        grid->setFocus();
        grid->setCurrentIndex(cell);
        static_cast<QAbstractItemView*>(grid)->edit(cell);
        auto* editor = grid->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("20"));

        if (byEsc)
            QTest::keyClick(editor, Qt::Key_Escape);
        else
            QVERIFY(window->close());
        QTRY_VERIFY(!window->isVisible());
        QFile memory(folder->filePath(QStringLiteral("Memory.Ini")));
        QVERIFY(memory.open(QIODevice::ReadOnly));
        QCOMPARE(memory.readAll(), QByteArray::fromHex("0105000000"
                                                       "0114000000"));
    }
};

QTEST_MAIN(TestJourneys)
#include "test_Journeys.moc"
