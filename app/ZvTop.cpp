#include "ZvTop.h"

#include "DrawStage.h"
#include "Guard.h"
#include "Random.h"
#include "SeeThrough.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>

TZvTop::TZvTop(QWidget* owner, const QPixmap& image) : QWidget(owner)
{
    setFixedSize(32, 32);
    // Painted on the parent's surface: no background of its own, no system clearing.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setImage(image);
}

TZvTop::~TZvTop() = default;

void TZvTop::setImage(const QPixmap& picture)
{
    image = picture;
    drawn = withSeeThrough(picture);
    update();
}

void TZvTop::setHarf(QChar letter)
{
    harf = letter;
    update();
}

QPixmap TZvTop::withSeeThrough(const QPixmap& picture)
{
    if (picture.isNull())
        return picture;
    return QPixmap::fromImage(keyedOut(picture.toImage()));
}

void TZvTop::clearPanel(QWidget* panel)
{
    if (!panel)
        return;
    const auto balls = panel->findChildren<TZvTop*>(Qt::FindDirectChildrenOnly);
    for (TZvTop* ball : balls)
        delete ball;
}

void TZvTop::paintEvent(QPaintEvent*)
{
    guarded([&] {
        QPainter painter(this);
        // At the picture's own size it is drawn as it is; a bigger or smaller ball scales it
        // smoothly, and its letter with it.
        if (drawn.deviceIndependentSize().toSize() == size())
        {
            painter.drawPixmap(0, 0, drawn);
        }
        else if (!drawn.isNull())
        {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(rect(), drawn);
        }
        // A blank or empty letter draws nothing, so the bouncing balls skip the text work.
        const int side = std::min(width(), height());
        if (harf.isNull() || harf == QLatin1Char(' ') || side <= 0)
            return;
        QFont font(QStringLiteral("Arial"));
        font.setBold(true);
        font.setPointSizeF(18.0 * side / 32);
        painter.setFont(font);
        painter.setPen(QColor(255, 255, 255));
        const QString text(harf);
        const QFontMetrics metrics(font);
        const int tw = metrics.horizontalAdvance(text);
        const int th = metrics.height();
        const int x = (width() - tw) / 2;
        const int y = (height() - th) / 2;
        painter.drawText(x, y + metrics.ascent(), text);
    });
}

TZvTop2::TZvTop2(QWidget* owner, const QPixmap& image) : TZvTop(owner, image), BounceTimer(new QTimer(this))
{
    BounceTimer->setInterval(20);
    connectGuarded(BounceTimer, &QTimer::timeout, this, &TZvTop2::BounceStep);
    BounceTimer->start();
}

TZvTop2::~TZvTop2() = default;

void TZvTop2::followStage(TDrawStage* value, int index)
{
    stage = value;
    stageIndex = index;
}

void TZvTop2::BounceStep()
{
    const QWidget* panel = parentWidget();
    if (!panel)
        return;
    if (stage && stageIndex >= 0 && stageIndex < stage->wait().balls.size())
    {
        const TWaitBall& ball = stage->stepBall(stageIndex, panel->height());
        MovingUp = ball.movingUp;
        if (ball.top != y())
            move(x(), ball.top);
        return;
    }
    int top = y();
    bool up = MovingUp;
    bounceStep(top, height(), panel->height(), up);
    MovingUp = up;
    if (top != y())
        move(x(), top);
}

TZvTopAnimate::TZvTopAnimate(QObject* owner, QWidget* panel, const BallPictures& pictures, TDrawStage* stage)
    : QObject(owner), panel(panel), pictures(pictures), stage(stage)
{}

TZvTopAnimate::~TZvTopAnimate() = default;

void TZvTopAnimate::setActive(bool value)
{
    active = value;
    if (!panel)
        return;
    if (!value)
    {
        TZvTop::clearPanel(panel);
        if (stage)
            stage->clearWait();
        return;
    }
    // 529 rather than the row's 536 pixels: the row sits a few pixels right of centre.
    const int x0 = (panel->width() - 529) / 2;
    QList<TWaitBall> entries;
    for (int i = 0; i < 15; ++i)
    {
        auto* ball = new TZvTop2(panel);
        Balls[static_cast<size_t>(i)] = ball;
        const int top = SharedRandom::random(panel->height() + 20);
        ball->move(x0 + 36 * i, top);
        ball->setHarf(QLatin1Char(' '));
        const int r = 1 + SharedRandom::random(4);
        // r = 1, 2, 3 give the yellow, blue and red spheres; r = 4 the gold one.
        ball->setImage(pictures[static_cast<size_t>(r % 4)]);
        entries.append({ball->x(), ball->y(), ball->height(), r % 4, ball->MovingUp});
        ball->show();
    }
    if (!stage)
        return;
    // Entered once all fifteen are placed; their timers fire only when events are handled again.
    const int first = stage->addBalls(panel->size(), entries);
    for (int i = 0; i < 15; ++i)
        Balls[static_cast<size_t>(i)]->followStage(stage, first + i);
}
