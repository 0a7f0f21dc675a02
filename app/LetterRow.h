#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QVector>

// Where the reveal puts the ball of each character of the winner's text on a stage.
//
// A text whose row of 32-pixel balls lies inside the stage keeps the one row the draw has always
// laid: its first ball at (width - 2 - 32 x length) / 2, every ball at (height - 36) / 2. A text
// wider than that is laid out anew, each row centred and the rows centred as a block, in reading
// order and never overlapping:
//   1. the extra information goes on a second row under the name (the " - " between them is
//      not drawn: the row break separates them), with 32-pixel balls;
//   2. if a row is still too wide, the balls shrink, down to smallestBallSize;
//   3. if even then a row is too wide, rows wrap at blanks (a word longer than a row is cut) at
//      that size, and only a stage too low for those rows gets smaller balls still.
// A blank at the end of a row, where a row breaks, is not drawn.
struct TLetterRow
{
    // Half the normal ball: its letter is still about 12 pixels high, readable from the back of a
    // hall on a projector; a 40-character name fits on one row of a 642-pixel stage.
    static constexpr int smallestBallSize = 16;

    int ballSize = 32; // 0 when nothing could be drawn
    // One cell per byte of the text; a null QRect for a character that is not drawn (a blank).
    QVector<QRect> cells;
    int rows = 1;
};

// One cell per byte of `text` (the text revealed: the name, or name + " - " + extra); `nameLength`
// is the length of the name part, where a second row may begin. All cells lie inside
// QRect(QPoint(), stage); a stage too small for even one-pixel balls gets no cells drawn.
TLetterRow layoutLetterRow(const QByteArray& text, int nameLength, QSize stage);

// The winner's text as the headline of a whole screen: the name's balls sized by the name alone,
// as large as the width allows up to a quarter of the screen's height. A name keeps one row while
// its balls are at least 14 % of the height, and otherwise wraps at blanks into rows as even as
// their count allows, where that gives larger balls. The extra information goes on rows below in
// balls at most 3/5 as large. The title and the picture share a band across the top, the picture
// on the right.
struct THeadline
{
    QRect title;
    QRect picture;        // empty when there is no picture
    QRect block;          // around every ball drawn
    int nameBall = 0;     // side of the name's balls; 0 when nothing could be drawn
    int extraBall = 0;    // side of the extra information's balls; 0 without any
    int titlePixels = 0;  // the title's type, never larger than the smallest letter
    QVector<QRect> cells; // one per byte of the text; a null QRect for one not drawn
};

THeadline layoutHeadline(const QByteArray& text, int nameLength, QSize screen, bool withPicture);
