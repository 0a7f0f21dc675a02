#include "Globals.h"

TMainF* MainF = nullptr;
TAyar1F* Ayar1F = nullptr;
bool DrawRunning = false;
std::function<void(QWidget* parent)> ShowDefinitionsWindow;
