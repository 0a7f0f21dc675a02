#include "SpinEdit.h"

#include "Guard.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <limits>

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    lineEdit()->setText(QStringLiteral("0"));
    connectGuarded(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::textEdited);
}

int TSpinEdit::value() const
{
    bool ok = false;
    const int parsed = lineEdit()->text().trimmed().toInt(&ok);
    return ok ? parsed : m_minimum;
}

int TSpinEdit::checkValue(int value) const
{
    // Equal bounds switch the range off; with a maximum below the minimum the maximum wins for
    // values above it, so the prize-number box with no prizes shows 0.
    if (m_minimum == m_maximum)
        return value;
    if (value < m_minimum)
        return m_minimum;
    if (value > m_maximum)
        return m_maximum;
    return value;
}

void TSpinEdit::setValue(int value)
{
    const QString text = QString::number(checkValue(value));
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void TSpinEdit::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

void TSpinEdit::stepBy(int steps)
{
    if (isReadOnly())
        return;
    const qint64 next = qint64(value()) + qint64(steps) * m_increment;
    setValue(int(qBound(qint64(std::numeric_limits<int>::min()), next, qint64(std::numeric_limits<int>::max()))));
    lineEdit()->selectAll();
}

QValidator::State TSpinEdit::validate(QString& input, int&) const
{
    // Only digits and a sign can be typed; the range is not checked while typing.
    static const QRegularExpression allowed(QStringLiteral("^\\s*[+-]?[0-9]*\\s*$"));
    return allowed.match(input).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusOutEvent(event);
    guarded([this] {
        const int current = value();
        if (checkValue(current) != current)
            setValue(current);
    });
}

void TSpinEdit::textEdited()
{
    const int current = value();
    if (current == m_lastValue)
        return;
    m_lastValue = current;
    Q_EMIT valueChanged(current);
}

QSize TSpinEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics fm(font());
    int w = 0;
    for (int bound : {m_minimum, m_maximum, value()})
        w = qMax(w, fm.horizontalAdvance(QString::number(bound)));
    w += 2 + fm.horizontalAdvance(QLatin1Char(' '));
    const int h = lineEdit()->sizeHint().height();
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(w, h), this);
}

QSize TSpinEdit::minimumSizeHint() const
{
    return sizeHint();
}
