#pragma once

#include "Stage.h"

#include <QChar>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>

class QTimer;
class TDrawStage;

// The four 32x32 sphere pictures ImageTOP1..ImageTOP4 (gold, yellow, blue, red) of the main window.
using BallPictures = std::array<QPixmap, 4>;

// A ball showing one letter, 32x32 unless given another square size with setFixedSize (the
// sphere and the letter scale with it). It never fills its background: the sphere is drawn with
// the colour of its bottom-left pixel see-through, so the panel shows around it.
class TZvTop : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Image READ Image WRITE setImage)
    Q_PROPERTY(QChar Harf READ Harf WRITE setHarf)

public:
    explicit TZvTop(QWidget* owner, const QPixmap& image = QPixmap());
    ~TZvTop() override;

    QPixmap Image() const { return image; }
    void setImage(const QPixmap& picture);
    QChar Harf() const { return harf; }
    void setHarf(QChar letter);

    QSize sizeHint() const override { return minimumSize(); }

    // Destroys every ball the panel owns (letter balls and bouncing balls alike).
    static void clearPanel(QWidget* panel);
    // The picture with the colour of its bottom-left pixel made transparent.
    static QPixmap withSeeThrough(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap image;
    QPixmap drawn;
    QChar harf = QChar(0);
};

// A ball that bounces up and down inside its parent by itself, 10 pixels every 20 ms. Given an
// entry of the stage's balls, each step is taken on that entry and the ball goes where it says,
// so every view of the stage sees this ball where it is.
class TZvTop2 : public TZvTop
{
    Q_OBJECT

public:
    explicit TZvTop2(QWidget* owner, const QPixmap& image = QPixmap());
    ~TZvTop2() override;

    QTimer* BounceTimer = nullptr;
    bool MovingUp = false;

    void followStage(TDrawStage* stage, int index);

private Q_SLOTS:
    void BounceStep();

private:
    QPointer<TDrawStage> stage;
    int stageIndex = -1;
};

// Fills the ball panel with fifteen bouncing balls while a draw waits, and removes them again.
// The balls belong to the panel, not to the animation. With a stage, the balls are entered in its
// wait as they start and step there, and switching off empties the stage's wait too.
class TZvTopAnimate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)

public:
    TZvTopAnimate(QObject* owner, QWidget* panel, const BallPictures& pictures, TDrawStage* stage = nullptr);
    ~TZvTopAnimate() override;

    bool Active() const { return active; }
    void setActive(bool value);

    // Balls[0] is the leftmost ball; entries are not used after the animation is switched off.
    std::array<QPointer<TZvTop2>, 15> Balls;

private:
    QPointer<QWidget> panel;
    BallPictures pictures;
    QPointer<TDrawStage> stage;
    bool active = false;
};
