#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// One line of a winners list: ADI, TAB, HEDIYE, CR LF, in the tables' code page 1254. A control
// character inside a name or a prize (TAB, CR, LF, ESC, DEL, the undefined bytes of the code
// page, ...) is written as a blank, so every winner stays one line with one TAB in it; the
// tables keep the text as it is.
QByteArray winnerLine(const QByteArray& adi, const QByteArray& hediye);

// A winners journal of an earlier run whose winners were not all saved with "Kaydet".
struct TUnsavedEvening
{
    QString file;
    QList<QPair<QByteArray, QByteArray>> winners; // ADI, HEDIYE in the order they won
    int shown = 0;                                // winners whose reveal ran to its last letter
};

// What the draws of one run leave on disk as they happen, in the data folder: the winners of the
// run in one file, a line appended for each when the winner is picked (before the first letter
// is shown), and each number draw's numbers in a file of its own, appended as they are drawn
// (before they reach the list). Both stay plain winners and number lists at every moment. File
// names start with the time (run start for the winners, the start of the draw for numbers), so a
// folder listing shows them in order. A file that cannot be written never stops a draw: the
// writes report false and the journal keeps one notice for the caller to show once per run.
//
// Beside the winners file, a small state file "<same name>.Ini" ([Cekilis] section) says how
// many of its winners were revealed to the last letter ("Gosterilen"), how many a "Kaydet" saved
// ("Kaydedilen"), and whether the operator declined to continue that evening ("Sorma"). A
// missing state file means none. The next start offers to continue the newest journal whose
// winners were not all saved.
class TDrawJournal
{
public:
    explicit TDrawJournal(QString folder, const QDateTime& runStarted = QDateTime::currentDateTime());

    // Appends the winner's line to the run's file and returns once it is on the disk. The file is
    // made with the first winner; a line that could not be written is written with the next one.
    bool appendWinner(const QByteArray& adi, const QByteArray& hediye);
    // The last winner appended has been revealed to the last letter.
    void winnerShown();
    // "Kaydet" wrote a winners list holding the first `count` winners of the journal.
    void winnersSaved(int count);

    // The numbers a number draw gives next go to a new file named after `started`.
    void startNumbers(const QDateTime& started = QDateTime::currentDateTime());
    // Appends number lines (as the number list holds them) to the draw's file, on the disk on return.
    bool appendNumbers(const QByteArray& lines);
    // A whole number list in a file of its own: startNumbers, then appendNumbers.
    bool saveNumbers(const QByteArray& list, const QDateTime& started = QDateTime::currentDateTime());

    // The run's winners file (named before it exists) and the number file last written or tried.
    QString winnersFile() const { return m_winners.path; }
    QString numbersFile() const { return m_numbers.path; }

    // The newest winners journal in `folder`, when some of its winners were never saved and the
    // operator did not decline it.
    static std::optional<TUnsavedEvening> findUnsaved(const QString& folder);
    // Goes on with that evening: its winners are this run's, new winners are appended to its file.
    void resume(const TUnsavedEvening& evening);
    // The evening is not continued and is never offered again.
    static bool decline(const QString& journalFile);
    static QString stateFile(const QString& journalFile);

    // The notice about a file that could not be written, once per run for the winners and once
    // for the number lists; empty when there is nothing (new) to tell.
    QString takeNotice();

    static QString winnersFailedText(const QString& path);
    static QString numbersFailedText(const QString& path);

private:
    // A file that is only ever appended to, made by the first append under the first free name.
    struct AppendedFile
    {
        QString stem;
        QString path;
        bool claimed = false; // the file is ours (created by this run, or taken over)
        qint64 written = 0;   // bytes known to be on the disk
        QByteArray pending;   // bytes not yet on the disk
    };
    bool flush(AppendedFile& file);
    void writeState();
    QString freeName(const QString& stem, int attempt) const;

    QString m_folder;
    AppendedFile m_winners;
    AppendedFile m_numbers;
    int m_count = 0; // winners appended
    int m_shown = 0;
    int m_saved = 0;
    bool m_winnersTold = false;
    bool m_numbersTold = false;
    QString m_notice;
};
