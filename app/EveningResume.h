#pragma once

#include <QString>

class TDrawJournal;
class TEveningLog;
class TRxMemoryData;
class TSpinEdit;
struct TUnsavedEvening;

// At start-up, after the tables are loaded: when the newest winners journal in `dataFolder` holds
// winners that were never saved with "Kaydet" (a kill, a power cut, a close without saving),
// asks whether to go on with that evening. Yes puts its winners back into Kzn_T in their order
// (so they cannot win again and "Kaydet" saves them all), preselects in SpinEdit1 the prize the
// next draw gives as those draws left it, and has `journal` go on appending to that file (and
// `log`, when given, records the resume). No leaves the winners list empty, and that journal is
// never offered again.
void offerToResumeEvening(const QString& dataFolder, TDrawJournal& journal, TRxMemoryData& Kzn_T,
                          const TRxMemoryData& Hediye_T, TSpinEdit* SpinEdit1, TEveningLog* log = nullptr);

QString resumeEveningText(const TUnsavedEvening& evening);
