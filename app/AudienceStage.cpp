#include "AudienceStage.h"

#include "Guard.h"
#include "NumberDraw.h"
#include "PersonDraw.h"

TAudienceStage::TAudienceStage(TPersonDraw* personDraw, TNumberDraw* numberDraw, QObject* parent) : QObject(parent)
{
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

void TAudienceStage::showPrize(const QString& prize, const QPixmap& picture, bool stretch)
{
    m_show = Show::Person;
    m_prize = prize;
    m_picture = picture;
    m_stretch = stretch;
    m_animation = nullptr;
    m_rowText.clear();
    m_nameLength = 0;
    m_letters.clear();
    Q_EMIT changed();
}

void TAudienceStage::startWait(TZvTopAnimate* animation)
{
    m_animation = animation;
    Q_EMIT changed();
}

void TAudienceStage::startRow(const QByteArray& text, int nameLength)
{
    m_animation = nullptr;
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
    if (m_animation || m_rowText.isEmpty())
    {
        m_animation = nullptr;
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
