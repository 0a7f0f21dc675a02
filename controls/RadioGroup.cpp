#include "RadioGroup.h"

#include "Guard.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), group(new QButtonGroup(this)), column(new QVBoxLayout(this))
{
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);
    connectGuarded(group, &QButtonGroup::idToggled, this, &TRadioGroup::buttonToggled);
}

void TRadioGroup::setItems(const QStringList& texts)
{
    for (QRadioButton* b : std::as_const(buttons))
        delete b;
    buttons.clear();
    items = texts;
    for (int i = 0; i < items.size(); ++i)
    {
        auto* b = new QRadioButton(items.at(i), this);
        b->setObjectName(objectName() + QStringLiteral("_%1").arg(i));
        group->addButton(b, i);
        column->addWidget(b);
        buttons << b;
    }
    const int previous = itemIndex;
    itemIndex = -1;
    setItemIndex(previous);
}

void TRadioGroup::setItemIndex(int index)
{
    index = qBound(-1, index, int(buttons.size()) - 1);
    if (index == itemIndex)
        return;
    itemIndex = index;
    // An exclusive group cannot uncheck its last checked button, so "none" needs it switched off.
    group->setExclusive(false);
    for (int i = 0; i < buttons.size(); ++i)
        buttons.at(i)->setChecked(i == index);
    group->setExclusive(true);
    emit itemIndexChanged(itemIndex);
}

QRadioButton* TRadioGroup::button(int index) const
{
    return index >= 0 && index < buttons.size() ? buttons.at(index) : nullptr;
}

void TRadioGroup::buttonToggled(int id, bool checked)
{
    if (!checked || id == itemIndex)
        return;
    itemIndex = id;
    emit itemIndexChanged(itemIndex);
}
