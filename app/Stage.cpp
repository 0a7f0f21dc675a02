#include "Stage.h"

#include <algorithm>
#include <cmath>

namespace {
int part(int whole, double share)
{
    return int(std::lround(whole * share));
}
} // namespace

void bounceStep(int& top, int side, int panelHeight, bool& movingUp)
{
    // Each turn costs one still step, so a ball never leaves the band 1..H-10 once inside.
    if (movingUp)
    {
        if (top <= 10)
            movingUp = false;
        else
            top -= 10;
    }
    else
    {
        if (top + side < panelHeight - 10)
            top += 10;
        else
            movingUp = true;
    }
}

void advanceWait(TWaitBalls& wait)
{
    for (TWaitBall& ball : wait.balls)
        bounceStep(ball.top, ball.side, wait.panel.height(), ball.movingUp);
}

TNumberGrid layoutNumberGrid(qsizetype count, int digits, QSize screen, double digitWidth, double lineHeight)
{
    const int w = screen.width();
    const int h = screen.height();
    const int margin = part(h, 0.02);
    TNumberGrid grid;
    grid.caption = QRect(margin, margin, w - 2 * margin, part(h, 0.07));
    grid.current = QRect(margin, grid.caption.bottom() + 1, w - 2 * margin, part(h, 0.24));
    grid.list = QRect(margin, grid.current.bottom() + 1 + margin, w - 2 * margin, 0);
    grid.list.setBottom(h - margin - 1);
    if (count <= 0 || grid.list.width() <= 0 || grid.list.height() <= 0)
        return grid;

    // A cell holds the widest number and a digit and a bit of room on either side.
    const int largest = std::max(8, part(h, 0.06));
    const int smallest = std::max(8, part(h, 0.012));
    int columns = 1;
    int lines = 1;
    int cellWidth = 1;
    int lineStep = 1;
    for (int pixels = largest; pixels >= smallest; --pixels)
    {
        grid.pixels = pixels;
        cellWidth = std::max(1, int(std::ceil((digits + 1.2) * digitWidth * pixels)));
        lineStep = std::max(1, int(std::ceil(lineHeight * pixels)));
        columns = std::max(1, grid.list.width() / cellWidth);
        lines = std::max(1, grid.list.height() / lineStep);
        if (qsizetype(columns) * lines >= count)
            break;
    }
    const qsizetype room = qsizetype(columns) * lines;
    grid.first = count > room ? count - room : 0;
    const qsizetype shown = count - grid.first;
    // As few lines as the numbers need, and the columns as a block in the middle.
    const int used = int(std::min<qsizetype>(lines, (shown + columns - 1) / columns));
    const int usedColumns = int((shown + used - 1) / used);
    const int left = grid.list.x() + (grid.list.width() - usedColumns * cellWidth) / 2;
    grid.cells.reserve(shown);
    for (qsizetype i = 0; i < shown; ++i)
    {
        const int column = int(i / used);
        const int line = int(i % used);
        grid.cells.append(QRect(left + column * cellWidth, grid.list.y() + line * lineStep, cellWidth, lineStep));
    }
    return grid;
}
