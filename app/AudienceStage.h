#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

class TNumberDraw;
class TPersonDraw;
class TZvTopAnimate;

// What the audience is shown, kept from the draws' announcements while the program runs, so an
// audience window opened at any moment starts with what the main stage shows. It costs nothing
// between announcements; the window that shows it is made only when it is opened.
class TAudienceStage : public QObject
{
    Q_OBJECT

public:
    enum class Show
    {
        Person, // prize, picture, the wait's balls or the winner's row
        Numbers // the number draw: its numbers in the order taken
    };

    TAudienceStage(TPersonDraw* personDraw, TNumberDraw* numberDraw, QObject* parent = nullptr);

    Show show() const { return m_show; }
    const QString& prize() const { return m_prize; }
    const QPixmap& picture() const { return m_picture; }
    bool stretch() const { return m_stretch; }
    // The bouncing balls of the wait, while they bounce.
    TZvTopAnimate* animation() const { return m_animation; }
    const QByteArray& rowText() const { return m_rowText; }
    int nameLength() const { return m_nameLength; }
    // The letter at each position of the row text, null until the main stage has shown it.
    const QList<QChar>& letters() const { return m_letters; }
    const QList<qint64>& numbers() const { return m_numbers; }

Q_SIGNALS:
    void changed();                 // everything may look different
    void letterAdded(int position); // one more letter of the row
    void numberAdded();             // one more number

private:
    void showPrize(const QString& prize, const QPixmap& picture, bool stretch);
    void startWait(TZvTopAnimate* animation);
    void startRow(const QByteArray& text, int nameLength);
    void showLetter(int position, QChar letter);
    void endDraw();
    void startNumbers();
    void takeNumber(qint64 number);

    Show m_show = Show::Person;
    QString m_prize;
    QPixmap m_picture;
    bool m_stretch = false;
    QPointer<TZvTopAnimate> m_animation;
    QByteArray m_rowText;
    int m_nameLength = 0;
    QList<QChar> m_letters;
    QList<qint64> m_numbers;
};
