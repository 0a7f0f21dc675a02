// Figures of the person-prize draw: the winner pick among a million participants with a hundred
// thousand winners already recorded, the processor time the fifteen bouncing balls take while a
// draw waits, the same with the audience's screen open beside the main stage, the cost of the
// journal on the disk (a winner's line at the pick, the state after the reveal, the numbers of a
// number draw as they are drawn) beside a whole reveal and number draws, and the status line's
// count of the evening over a million participants.
#include "AudienceScreen.h"
#include "AudienceWindow.h"
#include "DrawJournal.h"
#include "EveningStatus.h"
#include "MainU.h"
#include "ProcessUsage.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "WinnerPick.h"
#include "ZvTop.h"
#include "ui_MainU.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace {
double cpuSeconds()
{
    return processCpuMs() / 1e3;
}

// Share of one core used while the event loop runs for the given time.
double cpuShare(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    loop.exec();
    return (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

QPixmap sphere(const QColor& colour)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setBrush(colour);
    painter.drawEllipse(2, 2, 28, 28);
    return picture;
}

QByteArray participant(int i)
{
    return QByteArray("Katilimci ") + QByteArray::number(i);
}

void benchPick()
{
    const int people = 1000000;
    const int winners = 100000;
    TRxMemoryData kisi;
    kisi.addStringField(QStringLiteral("ADI"), 40);
    kisi.addStringField(QStringLiteral("IL_ILCE"), 40);
    kisi.open();
    TRxMemoryData kzn;
    kzn.addStringField(QStringLiteral("ADI"), 40);
    kzn.addStringField(QStringLiteral("HEDIYE"), 40);
    kzn.open();
    for (int i = 0; i < people; ++i)
    {
        kisi.append();
        kisi.setFieldBytes(0, participant(i));
        kisi.post();
    }
    for (int i = 0; i < winners; ++i)
    {
        kzn.append();
        kzn.setFieldBytes(0, participant(i * 10));
        kzn.setFieldBytes(1, "Hediye");
        kzn.post();
    }

    TWinnerPick pick;
    const auto person = [&kisi](int row) { return kisi.bytesAt(row, 0); };
    const auto winner = [&kzn](int row) { return kzn.bytesAt(row, 0); };
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuMs();
    int position = pick.pick(kisi.recordCount(), person, kzn.recordCount(), winner);
    const double first = double(timer.nsecsElapsed()) / 1e6;
    const double firstCpu = threadCpuMs() - cpuBefore;

    // Later picks, each after the previous winner was recorded, as the draws go on.
    const int rounds = 1000;
    double worst = 0;
    timer.start();
    for (int n = 0; n < rounds; ++n)
    {
        kzn.append();
        kzn.setFieldBytes(0, kisi.bytesAt(position, 0));
        kzn.post();
        QElapsedTimer one;
        one.start();
        position = pick.pick(kisi.recordCount(), person, kzn.recordCount(), winner);
        worst = qMax(worst, double(one.nsecsElapsed()) / 1e6);
    }
    const double average = double(timer.nsecsElapsed()) / 1e6 / rounds;
    std::printf("winner pick, %d participants, %d winners: first pick %.2f ms wall, %.2f ms processor time "
                "(reads the winners once); then %.4f ms on average, worst %.3f ms wall over %d picks "
                "(target <= 50 ms)\n",
                people, winners, first, firstCpu, average, worst, rounds);
}

void benchBalls()
{
    QWidget window;
    window.resize(900, 300);
    QWidget* panel = new QWidget(&window);
    panel->setGeometry(0, 0, 900, 115);
    panel->setAutoFillBackground(true);
    window.show();
    const BallPictures pictures{sphere(QColor(255, 191, 0)), sphere(Qt::yellow), sphere(Qt::blue), sphere(Qt::red)};

    const int seconds = 4;
    const double idle = cpuShare(seconds * 1000);
    TZvTopAnimate animation(&window, panel, pictures);
    animation.setActive(true);
    int steps = 0;
    for (const auto& ball : animation.Balls)
        QObject::connect(ball->BounceTimer, &QTimer::timeout, [&steps] { ++steps; });
    const double busy = cpuShare(seconds * 1000);
    animation.setActive(false);
    std::printf("bouncing balls: %.1f %% of one core over %d s with 15 balls (%d steps, %.0f per second), "
                "%.1f %% with the same window and no balls (target <= 10 %%)\n",
                busy * 100, seconds, steps, steps / double(seconds), idle * 100);
}
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// The folder the journal is measured in: beside the benchmark, on the disk the program would use
// (a temporary folder may be in memory, where a flush costs nothing).
void benchJournal()
{
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/journal-XXXXXX"));
    const int lines = 200;
    QList<double> appends;
    {
        TDrawJournal journal(dir.filePath(QStringLiteral("Data")));
        for (int i = 0; i < lines; ++i)
        {
            QElapsedTimer one;
            one.start();
            journal.appendWinner(participant(i), "Hediye " + QByteArray::number(i));
            appends << double(one.nsecsElapsed()) / 1e6;
        }
    }
    const double worstAppend = *std::max_element(appends.begin(), appends.end());

    // After the last letter, the state beside the journal (winners revealed) is replaced whole.
    QList<double> shownMarks;
    QList<double> numberAppends;
    {
        TDrawJournal journal(dir.filePath(QStringLiteral("Data")));
        for (int i = 0; i < lines; ++i)
        {
            journal.appendWinner(participant(i), "Saat"); // each reveal changes the state
            QElapsedTimer one;
            one.start();
            journal.winnerShown();
            shownMarks << double(one.nsecsElapsed()) / 1e6;
        }
        journal.startNumbers();
        for (int i = 0; i < lines; ++i)
        {
            QElapsedTimer one;
            one.start();
            journal.appendNumbers(QByteArray::number(100000 + i) + "\r\n");
            numberAppends << double(one.nsecsElapsed()) / 1e6;
        }
    }

    // Whole draws in the main window, each appending its winner to the run's journal: without the
    // effect (the reveal's own work), and one with the effect and its letter waits as designed.
    setProgramFolder(dir.filePath(QStringLiteral("program")));
    QDir().mkpath(dir.filePath(QStringLiteral("program")));
    TMainF window;
    window.show();
    QCoreApplication::processEvents();
    const int draws = 30;
    for (int i = 0; i <= draws; ++i)
    {
        window.Kisi_T->append();
        window.Kisi_T->setFieldString(QStringLiteral("ADI"), QStringLiteral("Katılımcı %1").arg(i));
        window.Kisi_T->post();
        window.Hediye_T->append();
        window.Hediye_T->setFieldString(QStringLiteral("HEDIYE"), QStringLiteral("Hediye %1").arg(i));
        window.Hediye_T->post();
    }
    window.boundPrizeNumber();
    window.form()->CheckEFEKT->setChecked(false);
    QList<double> reveals;
    for (int i = 0; i < draws; ++i)
    {
        QElapsedTimer one;
        one.start();
        window.ZvWinButton6Click();
        window.ZvWinButton7Click(); // the reveal at once
        reveals << double(one.nsecsElapsed()) / 1e6;
    }
    window.form()->CheckEFEKT->setChecked(true);
    window.form()->SpinHARF->setValue(1);
    QElapsedTimer designed;
    designed.start();
    window.ZvWinButton6Click();
    window.Timer1->stop();
    window.Timer1Timer(); // the wait skipped, the letters revealed with their waits
    const double withEffect = double(designed.nsecsElapsed()) / 1e6;
    const QString name = window.Kzn_T->textAt(window.Kzn_T->recordCount() - 1, 0);
    int waits = 0;
    for (int i = 1; i <= name.size(); ++i)
        waits += name.at(i - 1) == QLatin1Char(' ') ? 0 : 1000 / i;

    // Number draws journalling what reaches the list: one paced by five excluded ranges (20 ms
    // each per pick), and a long unpaced one, where the numbers go to the disk in batches.
    Ui::TMainF* form = window.form();
    for (int r = 0; r < 5; ++r)
    {
        window.Rx_T->append();
        window.Rx_T->setFieldInteger(0, 2000 + 10 * r);
        window.Rx_T->setFieldInteger(1, 2005 + 10 * r);
        window.Rx_T->post();
    }
    const auto numberDraw = [&](int count) {
        form->SpinBSL->setValue(1);
        form->SpinBTS->setValue(1000000);
        form->SpinADET->setValue(count);
        QElapsedTimer one;
        one.start();
        window.ZvWinButton1Click();
        return double(one.nsecsElapsed()) / 1e6;
    };
    const int paced = 20;
    const double pacedMs = numberDraw(paced);
    window.Rx_T->emptyTable();
    const int unpaced = 10000;
    const double unpacedMs = numberDraw(unpaced);
    setProgramFolder(QString());

    std::printf("journal: one winner's line appended and flushed to the disk (fsync) in %.2f ms median, %.2f ms "
                "worst over %d lines; a whole draw without the effect (start, reveal, record, journal) %.2f ms "
                "median over %d draws; one reveal with the effect, 1 s per letter, of a %d-character name "
                "(%d ms of designed waits) %.0f ms\n",
                median(appends), worstAppend, lines, median(reveals), draws, int(name.size()), waits, withEffect);
    std::printf("journal at the pick: the winner's line %.2f ms median before the first letter, and the state "
                "beside it (revealed to the last letter) %.2f ms median, worst %.2f ms, after the last one\n",
                median(appends), median(shownMarks), *std::max_element(shownMarks.begin(), shownMarks.end()));
    std::printf("journal per number: one number appended and flushed %.2f ms median, worst %.2f ms over %d; a paced "
                "number draw of %d numbers over 5 excluded ranges (%d ms of designed pauses) %.0f ms; an unpaced "
                "draw of %d numbers, flushed as they reach the list, %.0f ms\n",
                median(numberAppends), *std::max_element(numberAppends.begin(), numberAppends.end()), lines, paced,
                paced * 5 * 20, pacedMs, unpaced, unpacedMs);
}

// The moments the main stage's letter balls and the audience's window are painted, to tell how
// long after the main stage a letter reaches the audience.
class LetterPaints : public QObject
{
public:
    QWidget* audience = nullptr;
    qint64 mainAt = -1;
    QList<double> delays; // ms from a main-stage letter's paint to the audience's next paint
    QElapsedTimer clock;

    LetterPaints() { clock.start(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
        {
            const auto* ball = qobject_cast<TZvTop*>(watched);
            if (ball && !qobject_cast<TZvTop2*>(watched) && !ball->Harf().isNull())
                mainAt = clock.nsecsElapsed();
            else if (watched == audience && mainAt >= 0)
            {
                // Painted here, so the time is taken when the audience's paint has finished.
                static_cast<QObject*>(audience)->event(event);
                delays.append((clock.nsecsElapsed() - mainAt) / 1e6);
                mainAt = -1;
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// The main window's wait with its fifteen balls, alone and with the audience's screen open on
// each projector the platform offers (the screens after the first); then on each a reveal
// without letter waits, timing each letter from the main stage's ball to the audience's paint.
void benchAudience()
{
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    TMainF window;
    window.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < 12; ++i)
    {
        window.Kisi_T->append();
        window.Kisi_T->setFieldString(QStringLiteral("ADI"), QStringLiteral("Katılımcı Ağaoğlu %1").arg(i));
        window.Kisi_T->post();
    }
    for (int i = 0; i < 6; ++i)
    {
        window.Hediye_T->append();
        window.Hediye_T->setFieldString(QStringLiteral("HEDIYE"), QStringLiteral("Bisiklet %1").arg(i));
        window.Hediye_T->post();
    }
    window.boundPrizeNumber();
    window.form()->CheckEFEKT->setChecked(true);
    window.form()->SpinCKSR->setValue(60);
    window.ZvWinButton6Click();

    const int seconds = 4;
    const double alone = cpuShare(seconds * 1000) * 100;
    QString figures = QStringLiteral("main stage alone %1 %").arg(alone, 0, 'f', 1);
    const auto screens = QGuiApplication::screens();
    for (qsizetype i = 1; i < screens.size(); ++i)
    {
        window.audience()->choose(screens.at(i)->name());
        cpuShare(500); // the window is made and painted whole once; then only the balls move
        const QSize size = screens.at(i)->size();
        const double open = cpuShare(seconds * 1000) * 100;
        figures += QStringLiteral("; with the audience's screen open on %1 x %2 (at %3 x) %4 % (+%5)")
                       .arg(size.width())
                       .arg(size.height())
                       .arg(screens.at(i)->devicePixelRatio())
                       .arg(open, 0, 'f', 1)
                       .arg(open - alone, 0, 'f', 1);
    }
    window.audience()->close();
    figures += QStringLiteral("; closed again %1 %").arg(cpuShare(seconds * 1000) * 100, 0, 'f', 1);
    window.ZvWinButton7Click();
    std::printf("audience screen, while the balls of a draw bounce (%% of one core over %d s each): %s\n", seconds,
                qPrintable(figures));

    // The letters: no waits, so every letter's paint on both screens follows at once.
    window.form()->CheckEFEKT->setChecked(false);
    QString letters;
    for (qsizetype i = 1; i < screens.size(); ++i)
    {
        window.audience()->choose(screens.at(i)->name());
        cpuShare(300);
        LetterPaints paints;
        paints.audience = window.audience()->window();
        QCoreApplication::instance()->installEventFilter(&paints);
        window.ZvWinButton6Click();
        window.ZvWinButton7Click();
        QCoreApplication::instance()->removeEventFilter(&paints);
        const QSize size = screens.at(i)->size();
        if (paints.delays.isEmpty())
            letters += QStringLiteral("; %1 x %2: no letter measured").arg(size.width()).arg(size.height());
        else
            letters += QStringLiteral("; %1 x %2: %3 letters, median %4 ms, worst %5 ms")
                           .arg(size.width())
                           .arg(size.height())
                           .arg(paints.delays.size())
                           .arg(median(paints.delays), 0, 'f', 2)
                           .arg(*std::max_element(paints.delays.begin(), paints.delays.end()), 0, 'f', 2);
    }
    window.audience()->close();
    window.close();
    setProgramFolder(QString());
    std::printf("audience screen, a letter from the main stage's ball to the audience's paint (a frame is 16.7 ms)%s\n",
                qPrintable(letters));
}

// The status line counts again after every draw, prize-box change and participant edit.
void benchStatus()
{
    QTemporaryDir dir;
    setProgramFolder(dir.path());
    TMainF window;
    window.show();
    QCoreApplication::processEvents();
    auto* status = window.findChild<TEveningStatus*>();
    const int people = 1000000;
    const int winners = 200;
    {
        TControlsSuspension quiet(*window.Kisi_T);
        window.Kisi_T->reserve(people);
        for (int i = 0; i < people; ++i)
        {
            window.Kisi_T->append();
            window.Kisi_T->setFieldBytes(0, participant(i));
            window.Kisi_T->post();
        }
    }
    for (int i = 0; i < winners; ++i)
    {
        window.Kzn_T->append();
        window.Kzn_T->setFieldBytes(0, participant(i * 7));
        window.Kzn_T->post();
    }
    // A load defers the name index; the first count after it builds the index in one pass.
    window.Kisi_T->deferKeyIndex();
    QElapsedTimer timer;
    timer.start();
    status->refresh();
    const double first = double(timer.nsecsElapsed()) / 1e6;
    QList<double> counts;
    for (int n = 0; n < 100; ++n)
    {
        QElapsedTimer one;
        one.start();
        status->refresh();
        counts << double(one.nsecsElapsed()) / 1e6;
    }
    // A participant edited in the definitions window.
    window.Kisi_T->moveTo(7);
    window.Kisi_T->edit();
    window.Kisi_T->setFieldBytes(0, "Yeni Katilimci");
    window.Kisi_T->post();
    timer.start();
    status->refresh();
    const double edited = double(timer.nsecsElapsed()) / 1e6;
    setProgramFolder(QString());
    std::printf("status line, %d participants, %d winners: first count after a load %.1f ms (builds the name "
                "index), then %.3f ms median, %.3f ms worst over %d counts; after a participant edit %.3f ms; "
                "eligible %d (expected %d)\n",
                people, winners, first, median(counts), *std::max_element(counts.begin(), counts.end()),
                int(counts.size()), edited, status->counts().eligible, people - winners + 1);
}
} // namespace

int main(int argc, char** argv)
{
    // Beside the operator's screen, projectors of 1920 x 1080, 1024 x 768 and 3840 x 2160, unless the run
    // names its own screens.
    QTemporaryDir screensDir;
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen") && screensDir.isValid())
    {
        QFile config(screensDir.filePath(QStringLiteral("screens.json")));
        if (config.open(QIODevice::WriteOnly))
        {
            config.write(R"({"screens": [
                {"name": "Laptop", "x": 0, "y": 0, "width": 1366, "height": 768},
                {"name": "Projektor1080", "x": 1366, "y": 0, "width": 1920, "height": 1080},
                {"name": "Projektor768", "x": 3286, "y": 0, "width": 1024, "height": 768},
                {"name": "Projektor4K", "x": 4310, "y": 0, "width": 3840, "height": 2160}]})");
            config.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
        }
    }
    QApplication app(argc, argv);
    // "audience" alone measures the audience's screen only.
    const bool audienceOnly = QCoreApplication::arguments().contains(QStringLiteral("audience"));
    if (!audienceOnly)
    {
        benchPick();
        benchBalls();
    }
    benchAudience();
    if (!audienceOnly)
    {
        benchJournal();
        benchStatus();
    }
    return 0;
}
