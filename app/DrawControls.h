#pragma once

#include "NumberDraw.h"
#include "PersonDraw.h"

class QTimer;
class TDrawJournal;
class TMediaPlayer;
class TRxMemoryData;

namespace Ui {
class TMainF;
}

// The draws' controls taken from the main window's form by their design names: the one way the
// window, the test rigs and the benchmarks give the draws what they work on. What is not on the form (the
// tables, the reveal timer, the player, the journal) comes from the caller.
TPersonDrawControls personDrawControls(Ui::TMainF& form, QWidget* owner, TRxMemoryData* kisi, TRxMemoryData* hediye,
                                       TRxMemoryData* kzn, QTimer* timer, TMediaPlayer* player, TDrawJournal* journal);
TNumberDrawControls numberDrawControls(Ui::TMainF& form, QWidget* window, TRxMemoryData* ranges, TDrawJournal* journal);
