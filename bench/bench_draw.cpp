// Figures of the person-prize draw: the winner pick among a million participants with a hundred
// thousand winners already recorded, and the processor time the fifteen bouncing balls take
// while a draw waits.
#include "RxMemoryData.h"
#include "WinnerPick.h"
#include "ZvTop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
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
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchPick();
    benchBalls();
    return 0;
}
