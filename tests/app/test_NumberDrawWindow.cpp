#include "MainU.h"
#include "SpinEdit.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "ui_MainU.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <memory>

namespace {
// Counts the layout passes the application is asked for.
class LayoutRequestCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

// The number draw inside the real main window, where its result label sits in nested layouts.
class TestNumberDrawWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The label's caption changes after every pick. Had every change laid the whole window out
    // again, ten thousand numbers took more than half a minute on screen.
    void resultLabelDoesNotRelayoutTheWindowPerPick()
    {
        TemporaryProgramFolder folder;
        QVERIFY(folder.isValid());
        ScriptedMessages messages;
        TMainF window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Ui::TMainF* ui = window.form();
        ui->PageControl1->setCurrentIndex(1);
        QCoreApplication::processEvents();
        const QSize labelMin = ui->Label2->minimumSize();
        const QSize labelMax = ui->Label2->maximumSize();
        ui->SpinBSL->setValue(1);
        ui->SpinBTS->setValue(100000000);
        ui->SpinADET->setValue(300);

        LayoutRequestCounter counter;
        qApp->installEventFilter(&counter);
        int widthDuringDraw = 0;
        QString captionDuringDraw;
        messages.onShow = [&](const QString&) {
            widthDuringDraw = ui->Label2->width();
            captionDuringDraw = ui->Label2->text();
        };
        window.ZvWinButton1Click();
        qApp->removeEventFilter(&counter);

        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: İşlem tamamlandı...")});
        QCOMPARE(ui->ListBox1->count(), 300);
        QCOMPARE(captionDuringDraw, QStringLiteral("Çekiliş Sonuçları : 300"));
        QVERIFY2(counter.count < 20, qPrintable(QStringLiteral("%1 layout passes").arg(counter.count)));
        // The whole caption fits, and the label gets its own size rules back afterwards.
        QVERIFY(widthDuringDraw >= ui->Label2->fontMetrics().horizontalAdvance(captionDuringDraw));
        QCOMPARE(ui->Label2->minimumSize(), labelMin);
        QCOMPARE(ui->Label2->maximumSize(), labelMax);
    }
};

QTEST_MAIN(TestNumberDrawWindow)
#include "test_NumberDrawWindow.moc"
