// Grid over a 1,000,000-record table: open time, time per page scrolled to the end and back,
// and the time of one cell edit posted by leaving the row. Runs offscreen unless a platform
// is chosen.
#include "DataSource.h"
#include "ProcStatus.h"
#include "RxMemoryData.h"
#include "ZVRXDBGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTextStream>
#include <cstdio>

namespace {
long rssKiB()
{
    return procStatusKiB("VmRSS:");
}

void press(QWidget* target, int key, const QString& text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;

    TRxMemoryData table;
    table.addStringField(QStringLiteral("ADI"), 40);
    table.addStringField(QStringLiteral("IL_ILCE"), 40);
    table.open();
    TDataSource source(&table);
    QElapsedTimer clock;
    clock.start();
    const long rssBefore = rssKiB();
    {
        TControlsSuspension quiet(table);
        for (int i = 0; i < records; ++i)
        {
            table.append();
            table.setFieldString(0, QStringLiteral("Katılımcı %1").arg(i));
            table.setFieldString(1, QStringLiteral("İl %1").arg(i % 81));
            table.post();
        }
        table.first();
    }
    const double fillMs = clock.nsecsElapsed() / 1e6;
    const long rssTable = rssKiB();

    clock.restart();
    TZVRXDBGrid grid;
    grid.setDataSource(&source);
    grid.setColumns({{QStringLiteral("ADI"), QStringLiteral("Adı Soyadı"), 195, false},
                     {QStringLiteral("IL_ILCE"), QStringLiteral("Ek Bilgi"), 148, false}});
    grid.resize(400, 420);
    grid.show();
    grid.viewport()->repaint();
    QApplication::processEvents();
    const double openMs = clock.nsecsElapsed() / 1e6;
    const long rssGrid = rssKiB();

    auto scroll = [&](int key, int untilRow) {
        int pages = 0;
        QElapsedTimer t;
        t.start();
        while (table.currentIndex() != untilRow && pages < 10000000)
        {
            press(&grid, key);
            grid.viewport()->repaint();
            ++pages;
        }
        return std::pair<int, double>(pages, t.nsecsElapsed() / 1e6);
    };
    const auto [downPages, downMs] = scroll(Qt::Key_PageDown, records - 1);
    const auto [upPages, upMs] = scroll(Qt::Key_PageUp, 0);

    clock.restart();
    press(&grid, Qt::Key_Down);
    press(&grid, 'X', QStringLiteral("X"));
    QWidget* editor = QApplication::focusWidget() ? QApplication::focusWidget() : &grid;
    press(editor, 'Y', QStringLiteral("Y"));
    press(editor, Qt::Key_Down); // leaves the row: posts it
    grid.viewport()->repaint();
    const double editMs = clock.nsecsElapsed() / 1e6;
    const bool edited = table.textAt(1, 0).startsWith(QLatin1Char('X')) && table.state() == dsBrowse;

    std::printf("records                 %d\n", records);
    std::printf("table fill              %.1f ms\n", fillMs);
    std::printf("grid open (first paint) %.2f ms\n", openMs);
    std::printf("page down to the end    %d pages, %.1f ms, %.3f ms/page\n", downPages, downMs,
                downPages ? downMs / downPages : 0.0);
    std::printf("page up to the top      %d pages, %.1f ms, %.3f ms/page\n", upPages, upMs,
                upPages ? upMs / upPages : 0.0);
    std::printf("edit one cell and post  %.2f ms (%s)\n", editMs, edited ? "stored" : "NOT STORED");
    std::printf("memory (RSS)            start %ld KiB, table %ld KiB, with grid %ld KiB\n", rssBefore, rssTable,
                rssGrid);
    return edited ? 0 : 1;
}
