#include "Globals.h"

TMainF* MainF = nullptr;
bool DrawRunning = false;
std::function<void(QWidget* parent)> ShowDefinitionsWindow;
