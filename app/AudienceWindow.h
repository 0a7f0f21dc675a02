#pragma once

#include "LetterRow.h"
#include "Stage.h"
#include "ZvTop.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>

class TDrawStage;

// The audience's view of the stage ("Seyirci Ekranı"): a title page before the first draw, the
// prize's name and picture with the bouncing balls of the wait, the winner's name as the
// headline of the screen, or every number of a number draw, scaled to the whole window and
// painted by this one widget from the stage's plain data. It never takes the focus or stays the
// active window, so the operator's keys, message boxes and dialogs stay with the main window. A
// letter is painted the moment the stage announces it, before the main stage's letter wait.
class TAudienceWindow : public QWidget
{
    Q_OBJECT

public:
    // largePictures are the spheres drawn for large balls, gold, yellow, blue, red; stagePictures
    // the main stage's, used where a large one is missing.
    TAudienceWindow(const TDrawStage& stage, const BallPictures& stagePictures, const BallPictures& largePictures,
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
        QRect band;  // the wait's balls, or the winner's rows once the reveal starts
        qreal scale; // pixels per unit of the main stage's ball panel
        int titlePixels;
    };
    Layout layout() const;
    // Where each letter of the current row is drawn here (a null rect for one not drawn).
    QList<QRect> letterCells() const;
    int nameBall() const { return m_headline.nameBall; }
    int extraBall() const { return m_headline.extraBall; }
    // The bouncing balls as this window last drew them.
    const QList<QRect>& bouncingBalls() const { return m_balls; }
    // How many numbers of a number draw this window showed when it last painted them, and where.
    qsizetype shownNumbers() const { return m_shownNumbers; }
    const TNumberGrid& numberGrid() const { return m_grid; }

    // A letter on a ball as this window draws it: dark on the sphere, accents inside it.
    static void paintLetter(QPainter& painter, const QRect& cell, QChar letter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void stageChanged();
    void letterAdded(int position);
    void followBall(int index);
    QList<QRect> ballRects() const;
    QRect ballRect(const TWaitBall& ball, const Layout& l) const;
    void paintSteps(QPainter& painter, const QList<std::pair<QRect, QRect>>& steps);
    void paintTitlePage(QPainter& painter);
    void paintPersonStage(QPainter& painter, const QRegion& dirty);
    void paintNumbers(QPainter& painter);
    void paintBall(QPainter& painter, const QRect& cell, int colour, QChar letter);
    const QPixmap& ballPicture(int colour, int side, bool opaque);
    void computeRow();

    const TDrawStage& stage;
    BallPictures stagePictures;
    BallPictures largePictures;
    QPointer<QWidget> operatorWindow;
    QPointer<QScreen> m_screen;
    QTimer numberTimer; // at most one repaint per frame however fast the numbers come
    QList<QRect> m_balls;
    QList<std::pair<QRect, QRect>> m_steps; // balls moved since the last paint, from and to
    QRect m_stepsArea;                      // what those steps asked to repaint
    THeadline m_headline;                   // the row laid out for this window's size
    QList<QRect> m_cells;
    qsizetype m_shownNumbers = 0;
    TNumberGrid m_grid;
    QHash<quint64, QPixmap> scaled; // kind, colour and side -> sphere picture at that size
};
