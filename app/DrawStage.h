#pragma once

#include "Stage.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>

// What the stage shows, in one place for every view of it: the main window owns it, the draws
// write into it as they show something, and the main stage and the audience's window both paint
// from it. The wait's balls are stepped here by the main stage's own balls, each on its own timer,
// so every view sees the very positions the main stage has; there is no second clock. The
// signals only say what changed, for a view to repaint.
class TDrawStage : public QObject
{
    Q_OBJECT

public:
    enum class Show
    {
        Title,  // before the first draw: the program's title and the prize chosen for it
        Person, // prize, picture, the wait's balls or the winner's row
        Numbers // the number draw: its numbers in the order taken
    };

    explicit TDrawStage(QObject* parent = nullptr);

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
    void showTitle(const QString& title, const QString& prize, const QPixmap& picture);

    // A draw's prize and picture are on the stage, and what the previous draw left is gone.
    void showPrize(const QString& prize, const QPixmap& picture, bool stretch);
    // More bouncing balls in a panel of that size; returns the index of the first one.
    int addBalls(QSize panel, const QList<TWaitBall>& balls);
    // One 20 ms step of a ball in a panel of that height, as the ball's own timer gives it.
    const TWaitBall& stepBall(int index, int panelHeight);
    // The bouncing balls are gone.
    void clearWait();
    // The balls are gone; the letters of `text` follow, the name being its first nameLength bytes.
    void startRow(const QByteArray& text, int nameLength);
    void showLetter(int position, QChar letter); // position in the text, from 0
    // A winner recorded, or the draw given up for want of candidates.
    void endDraw();

    void startNumbers();
    void takeNumbers(const QList<qint64>& numbers);
    void endNumbers();

Q_SIGNALS:
    void changed();                 // everything may look different
    void letterAdded(int position); // one more letter of the row
    void numbersAdded();            // more numbers
    void ballMoved(int index);      // one of the wait's balls took a step

private:
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
};
