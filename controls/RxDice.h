#pragma once

#include <QWidget>

class QTimer;

// A die face used as a busy indicator. While Rotate is on it shows a new face every Interval
// milliseconds, drawn from the shared random generator, and never the same face twice in a row.
// It starts hidden; its owner shows it while it is busy.
class TRxDice : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(bool Rotate READ Rotate WRITE setRotate)
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)

public:
    explicit TRxDice(QWidget* parent = nullptr);

    int Value() const { return m_value; }
    void setValue(int face); // clamped to 1..6
    bool Rotate() const;
    void setRotate(bool on);
    int Interval() const;
    void setInterval(int milliseconds);

    // The face that follows `current` when the generator gives `drawn` (0..5).
    static int nextFace(int current, quint32 drawn);
    // The pip centres of a face, in a unit square (0..1).
    static QList<QPointF> pips(int face);

    QSize sizeHint() const override { return {66, 66}; }

Q_SIGNALS:
    void valueChanged(int face);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rotateOnce();

    int m_value = 1;
    QTimer* m_timer;
};
