#pragma once

#include <functional>

class QWidget;
class TMainF;

// The few process-wide objects of the program.

// The one main window, set while it exists.
extern TMainF* MainF;
// True while a person-prize draw is between its accepted start and the recording of its
// winner. The application-wide error handler clears it.
extern bool DrawRunning;

// Opens the definitions window modally over the given parent and returns when it is closed.
// The definitions library installs it at start-up (the app library cannot depend on it).
extern std::function<void(QWidget* parent)> ShowDefinitionsWindow;
