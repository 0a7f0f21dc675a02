#include "KapatAction.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

QAction* addKapatAction(QWidget* window)
{
    auto* action = new QAction(QStringLiteral("Kapat"), window);
    action->setObjectName(QStringLiteral("Kapat"));
    action->setShortcut(QKeySequence(Qt::Key_Escape));
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}
