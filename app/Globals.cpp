#include "Globals.h"

TMainF* MainF = nullptr;
bool DrawRunning = false;
