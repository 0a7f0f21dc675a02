#pragma once

class QAction;
class QWidget;

// The "Kapat" action every window has, added to `window`: Esc triggers it while that window
// is the active one (a shortcut of the window, not of the whole application). The caller
// connects it to the window's own close handler.
QAction* addKapatAction(QWidget* window);
