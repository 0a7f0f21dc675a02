#pragma once

#include <QAbstractSpinBox>

// A whole-number box with up/down buttons that keeps the classic desktop semantics rather than
// QSpinBox's: the value is whatever the text says (text that is not a whole number reads as the
// minimum), a typed value outside the range stands until the box loses the focus, minimum and
// maximum are independent (a maximum below the minimum is allowed) and changing them never
// touches the value.
class TSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int Increment READ Increment WRITE setIncrement)

public:
    explicit TSpinEdit(QWidget* parent = nullptr);
    using QAbstractSpinBox::lineEdit; // the typed text, for callers that set or read it raw

    int value() const;
    void setValue(int value);
    int minimum() const { return m_minimum; }
    void setMinimum(int minimum) { m_minimum = minimum; }
    int maximum() const { return m_maximum; }
    void setMaximum(int maximum) { m_maximum = maximum; }
    void setRange(int minimum, int maximum);
    int Increment() const { return m_increment; }
    void setIncrement(int increment) { m_increment = increment; }

    // The value brought into the range, as setValue stores it.
    int checkValue(int value) const;
    // The value as the box will hold it once it loses the focus: a typed value outside the
    // range already counts as the nearest bound.
    int boundedValue() const { return checkValue(value()); }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void valueChanged(int value);

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void textEdited();

    int m_minimum = 0;
    int m_maximum = 0;
    int m_increment = 1;
    int m_lastValue = 0;
};
