#include "DrawStage.h"

TDrawStage::TDrawStage(QObject* parent) : QObject(parent)
{}

void TDrawStage::showTitle(const QString& title, const QString& prize, const QPixmap& picture)
{
    if (m_show != Show::Title)
        return;
    m_title = title;
    m_prize = prize;
    m_picture = picture;
    m_stretch = false;
    Q_EMIT changed();
}

void TDrawStage::showPrize(const QString& prize, const QPixmap& picture, bool stretch)
{
    m_show = Show::Person;
    m_prize = prize;
    m_picture = picture;
    m_stretch = stretch;
    m_wait = {};
    m_rowText.clear();
    m_nameLength = 0;
    m_letters.clear();
    Q_EMIT changed();
}

int TDrawStage::addBalls(QSize panel, const QList<TWaitBall>& balls)
{
    const auto first = int(m_wait.balls.size());
    m_wait.panel = panel;
    m_wait.balls += balls;
    Q_EMIT changed();
    return first;
}

const TWaitBall& TDrawStage::stepBall(int index, int panelHeight)
{
    static const TWaitBall none;
    if (index < 0 || index >= m_wait.balls.size())
        return none;
    // The panel may have been resized since the wait started; its height now is what the step obeys.
    m_wait.panel.setHeight(panelHeight);
    TWaitBall& ball = m_wait.balls[index];
    const int top = ball.top;
    bounceStep(ball.top, ball.side, panelHeight, ball.movingUp);
    if (ball.top != top)
        Q_EMIT ballMoved(index);
    return ball;
}

void TDrawStage::clearWait()
{
    if (m_wait.balls.isEmpty() && m_wait.panel.isEmpty())
        return;
    m_wait = {};
    Q_EMIT changed();
}

void TDrawStage::startRow(const QByteArray& text, int nameLength)
{
    m_wait = {};
    m_rowText = text;
    m_nameLength = nameLength;
    m_letters = QList<QChar>(text.size());
    Q_EMIT changed();
}

void TDrawStage::showLetter(int position, QChar letter)
{
    if (position < 0 || position >= m_letters.size())
        return;
    m_letters[position] = letter;
    Q_EMIT letterAdded(position);
}

void TDrawStage::endDraw()
{
    // A draw given up without a winner leaves the stage without balls; a revealed row stays.
    if (!m_wait.balls.isEmpty() || m_rowText.isEmpty())
    {
        m_wait = {};
        Q_EMIT changed();
    }
}

void TDrawStage::startNumbers()
{
    m_show = Show::Numbers;
    m_numbers.clear();
    Q_EMIT changed();
}

void TDrawStage::takeNumbers(const QList<qint64>& numbers)
{
    if (numbers.isEmpty())
        return;
    m_numbers += numbers;
    Q_EMIT numbersAdded();
}

void TDrawStage::endNumbers()
{
    // The numbers come faster than a screen shows them; the last one is shown at the end.
    Q_EMIT changed();
}
