#include "RxDice.h"

#include "Guard.h"
#include "Random.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

TRxDice::TRxDice(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    setFocusPolicy(Qt::NoFocus);
    m_timer->setInterval(60);
    connectGuarded(m_timer, &QTimer::timeout, this, &TRxDice::rotateOnce);
    // The die is the first user of the shared generator when the main window is built; its
    // construction gives the generator its one start-up seed.
    SharedRandom::randomize();
    hide();
}

void TRxDice::setValue(int face)
{
    face = qBound(1, face, 6);
    if (face == m_value)
        return;
    m_value = face;
    update();
    Q_EMIT valueChanged(face);
}

bool TRxDice::Rotate() const
{
    return m_timer->isActive();
}

void TRxDice::setRotate(bool on)
{
    if (on)
        m_timer->start();
    else
        m_timer->stop();
}

int TRxDice::Interval() const
{
    return m_timer->interval();
}

void TRxDice::setInterval(int milliseconds)
{
    m_timer->setInterval(qMax(1, milliseconds));
}

int TRxDice::nextFace(int current, quint32 drawn)
{
    const int face = 1 + int(drawn % 6u);
    if (face != current)
        return face;
    return current == 1 ? 2 : current - 1;
}

void TRxDice::rotateOnce()
{
    setValue(nextFace(m_value, quint32(SharedRandom::random(6))));
}

QList<QPointF> TRxDice::pips(int face)
{
    constexpr qreal lo = 0.25, mid = 0.5, hi = 0.75;
    switch (face)
    {
    case 1:
        return {{mid, mid}};
    case 2:
        return {{lo, lo}, {hi, hi}};
    case 3:
        return {{lo, lo}, {mid, mid}, {hi, hi}};
    case 4:
        return {{lo, lo}, {hi, lo}, {lo, hi}, {hi, hi}};
    case 5:
        return {{lo, lo}, {hi, lo}, {mid, mid}, {lo, hi}, {hi, hi}};
    case 6:
        return {{lo, lo}, {hi, lo}, {lo, mid}, {hi, mid}, {lo, hi}, {hi, hi}};
    default:
        return {};
    }
}

void TRxDice::paintEvent(QPaintEvent*)
{
    guarded([this] {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin(width(), height()) - 2;
        if (side <= 4)
            return;
        const QRectF body((width() - side) / 2, (height() - side) / 2, side, side);
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.setBrush(QColor(250, 250, 245));
        p.drawRoundedRect(body, side * 0.15, side * 0.15);
        p.setPen(Qt::NoPen);
        p.setBrush(m_value == 1 ? QColor(200, 0, 0) : QColor(20, 20, 20));
        const qreal radius = side * (m_value == 1 ? 0.12 : 0.085);
        for (const QPointF& pip : pips(m_value))
            p.drawEllipse(QPointF(body.left() + pip.x() * side, body.top() + pip.y() * side), radius, radius);
    });
}
