#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
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
    QDateTime started;                            // as the journal's state says, else as its name says
    QList<QPair<QByteArray, QByteArray>> winners; // ADI, HEDIYE in the order they won
    int shown = 0;                                // winners whose name was revealed to its last letter
    int saved = 0;                                // the first winners, saved with "Kaydet"
    bool cutOff = false;   // the last winner's name is known to have been cut off during its reveal
    int damagedLines = 0;  // lines that are no winner line, left out
    QString encoding;      // empty: as the program writes it; else how an editor re-saved it
    QByteArray rewritten;  // not empty: the file in the program's own form, to be written before going on
    qint64 wholeBytes = 0; // bytes up to the end of the last whole line
    int unsaved() const { return int(winners.size()) - saved; }
};

// The numbers journal of the last number draw of an earlier run, cut short or not saved.
struct TUnsavedNumbers
{
    QString file;
    QDateTime started;
    QList<qint64> numbers; // in the order they were drawn (and shown)
    qint64 first = 0;      // the draw's bounds and count, as it was asked for
    qint64 last = 0;
    int requested = 0;
    bool finished = false; // the draw ran to its end
    int damagedLines = 0;
    QByteArray rewritten;
    qint64 wholeBytes = 0;
};

// What start-up finds in the data folder: the evening and the number draw to offer, and one line
// for each journal that could not be taken into account.
struct TStartupJournals
{
    std::optional<TUnsavedEvening> evening;
    std::optional<TUnsavedNumbers> numbers;
    QStringList notices;
};

// The longest text a winner line may hold in each of its two fields.
struct TWinnerLineLimits
{
    int name = 40;
    int prize = 40;
};

// What the draws of one run leave on disk as they happen, in the data folder: the winners of the
// run in one file, a line appended for each when the winner is picked (before the first letter
// is shown), and each number draw's numbers in a file of its own, appended as they are drawn
// (before they reach the list). Both stay plain winners and number lists at every moment. File
// names start with the time (run start for the winners, the start of the draw for numbers), so a
// folder listing shows them in order. A file that cannot be written never stops a draw: the
// writes report false and the journal keeps one notice for the caller to show once per run.
//
// Beside each file, a small state file "<same name>.Ini" ([Cekilis] section) says when the run or
// the draw started ("Basladi"), and for winners how many were appended ("Cekilen"), revealed to
// the last letter of the name ("Gosterilen") and saved with "Kaydet" ("Kaydedilen"); for
// numbers the bounds and count asked for ("Baslangic", "Bitis", "Adet"), whether the draw ran to
// its end ("Bitti") and was saved ("Kaydedildi"). "Sorma" says the operator declined to go on
// with it. A missing state file means none of these.
//
// The next start looks at the journals by what they hold: the newest by its own start time (one
// dated after the present moment, written while the clock was wrong, counts after all others),
// skipping declined ones, is offered when some of its winners were not saved, or when its number
// draw was cut short or not saved. Everything it reads is bounded and checked: a name that is
// not a regular file, a file larger than the program could have written, a file that does not
// parse, and one that cannot be read are each told in one line; a journal that cannot be read
// keeps any older one from being offered in its place. A journal an editor re-saved (UTF-8,
// UTF-16, LF line ends) is read as such and written back in the program's own form before
// anything is appended to it.
class TDrawJournal
{
public:
    explicit TDrawJournal(QString folder, const QDateTime& runStarted = QDateTime::currentDateTime());

    // Appends the winner's line to the run's file and returns once it is on the disk. The file is
    // made with the first winner; a line that could not be written is written with the next one.
    bool appendWinner(const QByteArray& adi, const QByteArray& hediye);
    // The last letter of the last winner's name has appeared on the stage.
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

    // What the journals in `folder` hold for the start of a run at `now` (see above).
    static TStartupJournals findAtStart(const QString& folder, const QDateTime& now = QDateTime::currentDateTime(),
                                        TWinnerLineLimits limits = {});
    static std::optional<TUnsavedEvening> findUnsaved(const QString& folder);
    // Goes on with that evening: its winners are this run's, new winners are appended to its file.
    void resume(const TUnsavedEvening& evening);
    // Goes on with that number draw: its next numbers are appended to its file.
    void resumeNumbers(const TUnsavedNumbers& numbers);
    // The evening or number draw is not continued and is never offered again.
    static bool decline(const QString& journalFile);
    static QString stateFile(const QString& journalFile);

    // The bounds and count of the number draw that startNumbers began, for its state file.
    void planNumbers(qint64 first, qint64 last, int requested);
    // The number draw ran to its end; its numbers were saved.
    void numbersFinished();
    void numbersSaved();

    // Larger files were not written by the program (a journal of a million winners is far below).
    static constexpr qint64 MaxJournalBytes = 128 * 1024 * 1024;
    static constexpr qint64 MaxStateBytes = 64 * 1024;

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
    bool adopt(AppendedFile& file, const QString& path, const QByteArray& rewritten, qint64 wholeBytes,
               const QByteArray& whole);
    void writeState();
    void writeNumbersState();
    QString freeName(const QString& stem, int attempt) const;

    QString m_folder;
    AppendedFile m_winners;
    AppendedFile m_numbers;
    int m_count = 0; // winners appended
    int m_shown = 0;
    int m_saved = 0;
    QDateTime m_started;
    QDateTime m_numbersStarted;
    qint64 m_numbersFirst = 0;
    qint64 m_numbersLast = 0;
    int m_numbersRequested = 0;
    bool m_numbersFinished = false;
    bool m_numbersSaved = false;
    bool m_winnersTold = false;
    bool m_numbersTold = false;
    QString m_notice;
};
