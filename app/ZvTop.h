#pragma once

#include "Stage.h"

#include <QChar>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>

class QTimer;

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

// A ball that bounces up and down inside its parent by itself, 10 pixels every 20 ms.
class TZvTop2 : public TZvTop
{
    Q_OBJECT

public:
    explicit TZvTop2(QWidget* owner, const QPixmap& image = QPixmap());
    ~TZvTop2() override;

    QTimer* BounceTimer = nullptr;
    bool MovingUp = false;

private Q_SLOTS:
    void BounceStep();
};

// Fills the ball panel with fifteen bouncing balls while a draw waits, and removes them again.
// The balls belong to the panel, not to the animation.
class TZvTopAnimate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)

public:
    TZvTopAnimate(QObject* owner, QWidget* panel, const BallPictures& pictures);
    ~TZvTopAnimate() override;

    bool Active() const { return active; }
    void setActive(bool value);
    // Where the balls are and which sphere each shows, as plain data for another view.
    TWaitBalls state() const;

    // Balls[0] is the leftmost ball; entries are not used after the animation is switched off.
    std::array<QPointer<TZvTop2>, 15> Balls;

private:
    QPointer<QWidget> panel;
    BallPictures pictures;
    std::array<int, 15> sphere{}; // each ball's picture, an index into pictures
    bool active = false;
};
