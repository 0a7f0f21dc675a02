#pragma once

class TMainF;

// The few process-wide objects of the program.

// The one main window, set while it exists.
extern TMainF* MainF;
// True while a person-prize draw is between its accepted start and the recording of its
// winner. The application-wide error handler clears it.
extern bool DrawRunning;
