#include "ZVRXDBGrid.h"

TZVRXDBGrid::TZVRXDBGrid(QWidget* parent) : TDBGrid(parent)
{}

void TZVRXDBGrid::keyDown(int& key, Qt::KeyboardModifiers modifiers)
{
    // Cleared before anything else, so even the grid's OnKeyDown sees no key.
    if (!m_keyVkEnd && (modifiers & Qt::ControlModifier) && key == Qt::Key_End)
        key = 0;
    TDBGrid::keyDown(key, modifiers);
}
