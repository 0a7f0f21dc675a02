// Figures of the person-prize draw: the winner pick among a million participants with a hundred
// thousand winners already recorded, the processor time the fifteen bouncing balls take while a
// draw waits, and the cost of a winner's journal line on the disk beside a whole reveal.
#include "DrawJournal.h"
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
#include <QPainter>
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
    setProgramFolder(QString());

    std::printf("journal: one winner's line appended and flushed to the disk (fsync) in %.2f ms median, %.2f ms "
                "worst over %d lines; a whole draw without the effect (start, reveal, record, journal) %.2f ms "
                "median over %d draws; one reveal with the effect, 1 s per letter, of a %d-character name "
                "(%d ms of designed waits) %.0f ms\n",
                median(appends), worstAppend, lines, median(reveals), draws, int(name.size()), waits, withEffect);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchPick();
    benchBalls();
    benchJournal();
    return 0;
}
