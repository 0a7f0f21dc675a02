#pragma once

#include "Stage.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>

class TNumberDraw;
class TPersonDraw;

// What the audience is shown, kept from the draws' announcements while the program runs, so an
// audience window opened at any moment starts with what the main stage shows. It is plain data
// and one clock: the wait's balls are copied when the wait starts and advanced here by the same
// rule as the main stage's, so no view reads another window's widgets. The clock runs only while
// a view watches and balls bounce.
class TAudienceStage : public QObject
{
    Q_OBJECT

public:
    enum class Show
    {
        Title,  // before the first draw: the program's title and the first prize
        Person, // prize, picture, the wait's balls or the winner's row
        Numbers // the number draw: its numbers in the order taken
    };

    TAudienceStage(TPersonDraw* personDraw, TNumberDraw* numberDraw, QObject* parent = nullptr);

    Show show() const { return m_show; }
    // The program's title on the title page.
    const QString& title() const { return m_title; }
    const QString& prize() const { return m_prize; }
    const QPixmap& picture() const { return m_picture; }
    bool stretch() const { return m_stretch; }
    // The bouncing balls of the wait, while they bounce.
    const TWaitBalls& wait() const { return m_wait; }
    const QByteArray& rowText() const { return m_rowText; }
    int nameLength() const { return m_nameLength; }
    // The letter at each position of the row text, null until the main stage has shown it.
    const QList<QChar>& letters() const { return m_letters; }
    const QList<qint64>& numbers() const { return m_numbers; }

    // The title page, while no draw has been shown yet.
    void showTitle(const QString& title, const QString& firstPrize, const QPixmap& picture);
    // A view watches: the clock runs while balls bounce.
    void setWatched(bool watched);
    bool clockRunning() const { return clock.isActive(); }
    // One tick of the clock, as the timer gives it.
    void tick();

Q_SIGNALS:
    void changed();                 // everything may look different
    void letterAdded(int position); // one more letter of the row
    void numberAdded();             // one more number
    void ballsMoved();              // the wait's balls took a step

private:
    void showPrize(const QString& prize, const QPixmap& picture, bool stretch);
    void startWait(const TWaitBalls& balls);
    void startRow(const QByteArray& text, int nameLength);
    void showLetter(int position, QChar letter);
    void endDraw();
    void startNumbers();
    void takeNumber(qint64 number);
    void followClock();

    Show m_show = Show::Title;
    QString m_title;
    QString m_prize;
    QPixmap m_picture;
    bool m_stretch = false;
    TWaitBalls m_wait;
    QByteArray m_rowText;
    int m_nameLength = 0;
    QList<QChar> m_letters;
    QList<qint64> m_numbers;
    bool watched = false;
    QTimer clock;
};
