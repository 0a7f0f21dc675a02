// Times the number draw on its own page controls: a large draw without excluded ranges, which
// must stay fast, draws over mostly excluded ranges, which must not grow with the range, and a
// small draw over a few ranges, which must take its designed pacing of one 20 ms pause per
// range examined and not noticeably more.
#include "Clock.h"
#include "DrawControls.h"
#include "DrawTables.h"
#include "Messages.h"
#include "NumberDraw.h"
#include "ProcStatus.h"
#include "RxMemoryData.h"
#include "SpinEdit.h"
#include "ZvWinButton.h"
#include "ui_MainU.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace {
// The real clock, counting what the draw asks of it.
class CountingClock : public Clock
{
public:
    void sleep(int milliseconds) override
    {
        ++sleeps;
        sleptMs += milliseconds;
        Clock::sleep(milliseconds);
    }
    // Only the generator's reseeding reads the counter directly: one reading per pick.
    quint64 performanceCounter() override
    {
        ++reseeds;
        return Clock::performanceCounter();
    }
    quint32 tickCount() override { return static_cast<quint32>(Clock::performanceCounter() / 1000000u); }

    qint64 sleeps = 0;
    qint64 sleptMs = 0;
    qint64 reseeds = 0;
};

// The page "Çekiliş -2" of the main window's form, its controls handed to the draw as the
// window hands them.
struct Page
{
    Page()
    {
        form.setupUi(&window);
        bsl = form.SpinBSL;
        bts = form.SpinBTS;
        adet = form.SpinADET;
        list = form.ListBox1;
        bsl->setRange(0, 100000000);
        bts->setRange(1, 100000000);
        adet->setRange(1, 10000);
        defineRx(Rx_T).open();
        draw = std::make_unique<TNumberDraw>(numberDrawControls(form, &window, &Rx_T, nullptr));
        Rx_T.BeforePost = TDrawTables::Rx_TBeforePost;
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        window.show();
    }

    void addRange(int first, int last)
    {
        Rx_T.append();
        Rx_T.setFieldInteger(0, first);
        Rx_T.setFieldInteger(1, last);
        Rx_T.post();
    }

    QMainWindow window;
    Ui::TMainF form;
    TSpinEdit* bsl;
    TSpinEdit* bts;
    TSpinEdit* adet;
    QListWidget* list;
    TRxMemoryData Rx_T;
    std::unique_ptr<TNumberDraw> draw;
};

long peakRssKb()
{
    return procStatusKiB("VmHWM:");
}

void run(const char* title, int start, int end, int count, const QList<QPair<int, int>>& ranges, double targetMs)
{
    CountingClock clock;
    Clock* previous = Clock::setInstance(&clock);
    Page page;
    for (const auto& [first, last] : ranges)
        page.addRange(first, last);
    page.bsl->setValue(start);
    page.bts->setValue(end);
    page.adet->setValue(count);

    clock.reseeds = 0; // the die seeds the generator once when it is built
    QElapsedTimer timer;
    timer.start();
    page.draw->ZvWinButton1Click();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    Clock::setInstance(previous);

    const qint64 picks = clock.reseeds;
    // The designed pacing: one 20 ms pause per row examined without a match, over every pick.
    const double pacedMs = double(clock.sleptMs);
    std::printf("%s\n", title);
    std::printf("  range %d..%d, %lld excluded rows, %d requested, %d drawn, %lld picks\n", start, end,
                static_cast<long long>(ranges.size()), count, page.list->count(), static_cast<long long>(picks));
    std::printf("  time %.1f ms", ms);
    if (targetMs < 0)
    {
        // No target: the time is that of the rejected picks, each with its pump.
        std::printf(", %.2f us per pick (each with a message pump); no target\n", 1000.0 * ms / double(picks));
    }
    else if (pacedMs > 0)
    {
        std::printf(" (designed pacing %lld pauses x %d ms = %.0f ms, overhead %.1f ms = %.1f %%)",
                    static_cast<long long>(clock.sleeps), TNumberDraw::PauseMs, pacedMs, ms - pacedMs,
                    100.0 * (ms - pacedMs) / pacedMs);
        // With pauses the target is the designed pacing plus at most 10 %.
        targetMs = pacedMs * 1.10;
    }
    if (targetMs >= 0)
        std::printf("; target <= %.0f ms -> %s\n", targetMs, ms >= pacedMs && ms <= targetMs ? "met" : "MISSED");
    std::printf("  pauses %lld (%lld ms asked), peak RSS %ld kB\n", static_cast<long long>(clock.sleeps),
                static_cast<long long>(clock.sleptMs), peakRssKb());
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageSeam quiet;
    quiet.information = [](const QString&, const QString&) {};
    quiet.question = [](const QString&, const QString&) { return int(mrYes); };
    setMessageSeam(quiet);

    run("10000 numbers from 1..100000000, no excluded rows", 1, 100000000, 10000, {}, 2000);
    run("10000 numbers from 1..10000 (every number, many repeated picks)", 1, 10000, 10000, {}, 2000);
    // One eligible number in 100000: almost every pick falls into the first row and is rejected.
    run("20 numbers from 1..100000000 with 1..99999000 excluded (rejected picks)", 1, 100000000, 20, {{1, 99999000}},
        -1);
    // Most of the range excluded: 100 eligible numbers, whatever the size of the range.
    run("100 numbers from 1..1000000 with 1..999900 excluded (mostly excluded)", 1, 1000000, 100, {{1, 999900}}, -1);
    run("100 numbers from 1..100000000 with 1..99999900 excluded (mostly excluded)", 1, 100000000, 100, {{1, 99999900}},
        -1);
    // Rows outside the range: every pick examines all three, so the pacing is exactly known.
    run("5 numbers from 1..100, 3 rows outside the range (real 20 ms pauses)", 1, 100, 5,
        {{200, 300}, {400, 500}, {600, 700}}, 0);
    return 0;
}
