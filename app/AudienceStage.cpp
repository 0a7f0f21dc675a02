#include "AudienceStage.h"

#include "Guard.h"
#include "NumberDraw.h"
#include "PersonDraw.h"

TAudienceStage::TAudienceStage(TPersonDraw* personDraw, TNumberDraw* numberDraw, QObject* parent) : QObject(parent)
{
    // The main stage's balls step every 20 ms; so do these.
    clock.setInterval(20);
    connectGuarded(&clock, &QTimer::timeout, this, &TAudienceStage::tick);
    if (personDraw)
    {
        connectGuarded(personDraw, &TPersonDraw::prizeShown, this, &TAudienceStage::showPrize);
        connectGuarded(personDraw, &TPersonDraw::waitStarted, this, &TAudienceStage::startWait);
        connectGuarded(personDraw, &TPersonDraw::rowStarted, this, &TAudienceStage::startRow);
        connectGuarded(personDraw, &TPersonDraw::letterShown, this, &TAudienceStage::showLetter);
        connectGuarded(personDraw, &TPersonDraw::drawEnded, this, &TAudienceStage::endDraw);
    }
    if (numberDraw)
    {
        connectGuarded(numberDraw, &TNumberDraw::numbersStarted, this, &TAudienceStage::startNumbers);
        connectGuarded(numberDraw, &TNumberDraw::numberTaken, this, &TAudienceStage::takeNumber);
        // The numbers come faster than a screen shows them; the last one is shown at the end.
        connectGuarded(numberDraw, &TNumberDraw::numbersEnded, this, &TAudienceStage::changed);
    }
}

void TAudienceStage::showTitle(const QString& title, const QString& firstPrize, const QPixmap& picture)
{
    if (m_show != Show::Title)
        return;
    m_title = title;
    m_prize = firstPrize;
    m_picture = picture;
    m_stretch = false;
    Q_EMIT changed();
}

void TAudienceStage::setWatched(bool value)
{
    watched = value;
    followClock();
}

void TAudienceStage::followClock()
{
    if (watched && !m_wait.balls.isEmpty())
    {
        if (!clock.isActive())
            clock.start();
    }
    else
        clock.stop();
}

void TAudienceStage::tick()
{
    if (m_wait.balls.isEmpty())
        return;
    advanceWait(m_wait);
    Q_EMIT ballsMoved();
}

void TAudienceStage::showPrize(const QString& prize, const QPixmap& picture, bool stretch)
{
    m_show = Show::Person;
    m_prize = prize;
    m_picture = picture;
    m_stretch = stretch;
    m_wait = {};
    m_rowText.clear();
    m_nameLength = 0;
    m_letters.clear();
    followClock();
    Q_EMIT changed();
}

void TAudienceStage::startWait(const TWaitBalls& balls)
{
    m_wait = balls;
    followClock();
    Q_EMIT changed();
}

void TAudienceStage::startRow(const QByteArray& text, int nameLength)
{
    m_wait = {};
    followClock();
    m_rowText = text;
    m_nameLength = nameLength;
    m_letters = QList<QChar>(text.size());
    Q_EMIT changed();
}

void TAudienceStage::showLetter(int position, QChar letter)
{
    if (position < 0 || position >= m_letters.size())
        return;
    m_letters[position] = letter;
    Q_EMIT letterAdded(position);
}

void TAudienceStage::endDraw()
{
    // A draw given up without a winner leaves the stage without balls; a revealed row stays.
    if (!m_wait.balls.isEmpty() || m_rowText.isEmpty())
    {
        m_wait = {};
        followClock();
        Q_EMIT changed();
    }
}

void TAudienceStage::startNumbers()
{
    m_show = Show::Numbers;
    m_numbers.clear();
    Q_EMIT changed();
}

void TAudienceStage::takeNumber(qint64 number)
{
    m_numbers.append(number);
    Q_EMIT numberAdded();
}
