#pragma once

#include "ZvTop.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>

class TAudienceStage;

// The audience's view of the stage ("Seyirci Ekranı"): the prize's name and picture, the
// bouncing balls of the wait and the winner's row, or the numbers of a number draw, scaled to
// the whole window and painted by this one widget. It never takes the focus or stays the
// active window, so the operator's keys, message boxes and dialogs stay with the main window.
// It follows the stage as the main window shows it: a letter is painted the moment its ball is,
// and the balls of the wait are read from the main stage fifty times a second.
class TAudienceWindow : public QWidget
{
    Q_OBJECT

public:
    // stagePictures are the main stage's ball pictures, to recognise a bouncing ball's colour;
    // largePictures the same spheres drawn for large balls (index for index).
    TAudienceWindow(const TAudienceStage& stage, const BallPictures& stagePictures, const BallPictures& largePictures,
                    QWidget* operatorWindow);
    ~TAudienceWindow() override;

    // Full screen without a frame on `screen`; a framed window on the operator's screen when
    // there is none (a rehearsal on a single screen).
    void showOn(QScreen* screen);
    bool isOnItsScreen() const { return m_screen != nullptr; }

    // The areas of the person-draw stage in this window.
    struct Layout
    {
        QRect title;
        QRect picture;
        QRect band;  // the ball panel, 115 units high
        qreal scale; // pixels per unit of the main stage's ball panel
        int titlePixels;
    };
    Layout layout() const;
    // Where each letter of the current row is drawn here (a null rect for one not drawn).
    QList<QRect> letterCells() const;
    // The bouncing balls as this window last drew them.
    const QList<QRect>& bouncingBalls() const { return m_balls; }
    // How many numbers of a number draw this window showed when it last painted them.
    qsizetype shownNumbers() const { return m_shownNumbers; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void stageChanged();
    void letterAdded(int position);
    void followBalls();
    QList<QRect> ballRects(QList<int>* colours) const;
    void paintPersonStage(QPainter& painter, const QRect& dirty);
    void paintNumbers(QPainter& painter);
    void paintBall(QPainter& painter, const QRect& cell, int colour, QChar letter);
    const QPixmap& ballPicture(int colour, int side, bool opaque);
    void computeRow();

    const TAudienceStage& stage;
    BallPictures stagePictures;
    BallPictures largePictures;
    QPointer<QWidget> operatorWindow;
    QPointer<QScreen> m_screen;
    QTimer ballTimer;   // reads the wait's balls while they bounce
    QTimer numberTimer; // at most one repaint per frame however fast the numbers come
    QList<QRect> m_balls;
    QList<int> m_ballColours;
    QList<QRect> m_cells; // the row laid out for this window's size
    int m_rowBall = 0;    // side of the row's balls in pixels
    qsizetype m_shownNumbers = 0;
    QHash<quint64, QPixmap> scaled; // kind, colour and side -> sphere picture at that size
};
