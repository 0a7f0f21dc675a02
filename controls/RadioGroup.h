#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

// A group box holding one radio button per item, one above the other. ItemIndex is the
// selected item, or -1 when none is selected; setting it keeps it within -1 .. count - 1.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE setItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE setItemIndex NOTIFY itemIndexChanged)

public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList Items() const { return items; }
    void setItems(const QStringList& texts);
    int ItemIndex() const { return itemIndex; }
    void setItemIndex(int index);
    QRadioButton* button(int index) const; // nullptr when out of range

Q_SIGNALS:
    void itemIndexChanged(int index);

private:
    void buttonToggled(int id, bool checked);

    QStringList items;
    int itemIndex = -1;
    QButtonGroup* group;
    QVBoxLayout* column;
    QList<QRadioButton*> buttons;
};
