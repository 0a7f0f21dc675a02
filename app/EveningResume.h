#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TDrawJournal;
class TDrawTables;
class TNumberDraw;
class TSpinEdit;
struct TUnsavedEvening;
struct TUnsavedNumbers;

// At start-up, after the tables are loaded: first tells in one box every journal of the data
// folder that could not be taken into account (one line each). When a winners journal holds
// winners that were never saved with "Kaydet" (a kill, a power cut, a close without saving),
// asks whether to go on with that evening. Yes puts its winners back into Kzn_T in their order
// (so they cannot win again and "Kaydet" saves them all), preselects in SpinEdit1 the prize the
// next draw gives as those draws left it, and has `journal` go on appending to that file. No
// leaves the winners list empty, and that journal is never offered again. Then the same for the
// last number draw, when it was cut short or not saved: Yes puts its numbers back on the page of
// `numberDraw`, which completes a draw cut short with its next "Zar At".
void offerToResumeEvening(const QString& dataFolder, TDrawJournal& journal, const TDrawTables& tables,
                          TSpinEdit* SpinEdit1, TNumberDraw* numberDraw);

// `absent`: winners of the evening the participant list does not hold.
QString resumeEveningText(const TUnsavedEvening& evening, const QList<QByteArray>& absent = {});
QString resumeNumbersText(const TUnsavedNumbers& numbers);
// The lines about journals not taken into account, at most a few of them.
QString journalNoticesText(const QStringList& notices);
