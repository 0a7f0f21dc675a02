#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QVector>

// The stage as plain data, shared by every view of it: the wait's bouncing balls in the units of
// the main window's ball panel, and the grid a number draw's list is shown in. No widget here.

// One bouncing ball: its place in the panel (the panel's pixels) and its sphere, 0 gold,
// 1 yellow, 2 blue, 3 red.
struct TWaitBall
{
    int left = 0;
    int top = 0;
    int side = 32;
    int colour = 0;
    bool movingUp = false;

    bool operator==(const TWaitBall&) const = default;
};

// The balls of a wait and the panel they bounce in; no balls when no draw waits.
struct TWaitBalls
{
    QSize panel;
    QList<TWaitBall> balls;

    bool operator==(const TWaitBalls&) const = default;
};

// One step of a bouncing ball, every 20 ms: 10 pixels up or down, and a still step at each turn
// (at a top edge of 10 or less going up, where the bottom edge reaches panelHeight - 10 going down).
void bounceStep(int& top, int side, int panelHeight, bool& movingUp);
// One step for every ball of the wait.
void advanceWait(TWaitBalls& wait);

// Where a number draw's screen puts its caption, the number just drawn and every number so far:
// the list fills the rest of the screen in columns read top to bottom, the type as large as lets
// the whole list fit, never below minimumPixels. When even that is too small, cells holds the
// latest numbers that fit and first is the index of the first one shown.
struct TNumberGrid
{
    QRect caption;
    QRect current;
    QRect list;
    int pixels = 0; // the list's type, in pixels
    qsizetype first = 0;
    QVector<QRect> cells; // one per number shown, from `first` on
};

// `digits` is the width of the widest number; digitWidth and lineHeight are those of the list's
// font in ems (a digit's advance and a line's height at one pixel).
TNumberGrid layoutNumberGrid(qsizetype count, int digits, QSize screen, double digitWidth, double lineHeight);
