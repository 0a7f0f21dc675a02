#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One line of a winners list: ADI, TAB, HEDIYE, CR LF, in the tables' code page 1254. A control
// character inside a name or a prize (TAB, CR, LF, ESC, DEL, the undefined bytes of the code
// page, ...) is written as a blank, so every winner stays one line with one TAB in it; the
// tables keep the text as it is.
QByteArray winnerLine(const QByteArray& adi, const QByteArray& hediye);

// What the draws of one run leave on disk as they happen, in the data folder: the winners of the
// run in one file, a line appended for each as it is recorded, and each finished number draw's
// list in a file of its own. File names start with the time (run start for the winners, the end
// of the draw for numbers), so a folder listing shows them in order. A file that cannot be written
// never stops a draw: the writes report false and the journal keeps one notice for the caller to
// show once per run.
class TDrawJournal
{
public:
    explicit TDrawJournal(QString folder, const QDateTime& runStarted = QDateTime::currentDateTime());

    // Appends the winner's line to the run's file and returns once it is on the disk. The file is
    // made with the first winner; a line that could not be written is written with the next one.
    bool appendWinner(const QByteArray& adi, const QByteArray& hediye);
    // Writes a finished number draw's list (the bytes of the number list) to a file of its own.
    bool saveNumbers(const QByteArray& list, const QDateTime& finished = QDateTime::currentDateTime());

    // The run's winners file (named before it exists) and the number file last written or tried.
    QString winnersFile() const { return m_winnersFile; }
    QString numbersFile() const { return m_numbersFile; }

    // The notice about a file that could not be written, once per run for the winners and once
    // for the number lists; empty when there is nothing (new) to tell.
    QString takeNotice();

    static QString winnersFailedText(const QString& path);
    static QString numbersFailedText(const QString& path);

private:
    bool writePendingWinners();
    QString freeName(const QString& stem, int attempt) const;

    QString m_folder;
    QString m_stem; // "Cekilis-<run start>"
    QString m_winnersFile;
    QString m_numbersFile;
    bool m_claimed = false; // the winners file is ours (created by this run)
    qint64 m_written = 0;   // bytes of the winners file known to be on the disk
    QByteArray m_pending;   // winner lines not yet on the disk
    bool m_winnersTold = false;
    bool m_numbersTold = false;
    QString m_notice;
};
