#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TDrawJournal;

// What the evening's record needs beyond the winners journal, kept beside it in the data folder
// as "<journal name>.Olaylar": the list drawn from (counts and the SHA-256 of "Kisi.Ini"), the
// time and extra information of every winner, resumes after a crash, reveals a crash cut off,
// draws made after "Çekiliş tamamlanmış", and each number draw's bounds and excluded ranges.
// UTF-8 text, one event a line (time, kind, fields, TAB-separated), only ever appended to and
// synced to the disk before the call returns. The log follows the journal's winners file, so a
// resumed evening goes on in the events file of that evening. A file that cannot be written
// never stops a draw: the record then says less.
class TEveningLog
{
public:
    using Now = std::function<QDateTime()>;
    explicit TEveningLog(const TDrawJournal& journal, Now now = {});

    static QString eventsFile(const QString& journalFile);
    // Where the copy of the participant list with this fingerprint is kept for the record.
    static QString listCopyFile(const QString& journalFile, const QByteArray& sha256Hex);

    // Recorded with the next draw when it differs from the last name recorded.
    void setEventName(const QString& name) { m_name = name.trimmed(); }

    // A person-prize draw passed its checks. The first of the evening records the participant
    // list ("Kisi.Ini" as it is on the disk) and the counts; a later one only a list that changed.
    void drawStarting(const QString& kisiFile, int participants, int prizes, bool pastComplete, int sequence);
    void winnerPicked(int sequence, const QByteArray& adi, const QByteArray& extra, const QByteArray& hediye);
    // The evening was taken up again with `winners` already drawn, `shown` of them revealed whole.
    void resumed(int winners, int shown);
    void numbersStarted(qint64 from, qint64 to, int requested, const QList<QPair<qint64, qint64>>& excluded);
    void numbersEnded(int drawn);

    QString file() const;

private:
    void follow();
    bool append(const QString& kind, const QStringList& fields);
    void recordName();

    const TDrawJournal& m_journal;
    Now m_now;
    QString m_file;       // the events file followed, and what it said so far
    QByteArray m_listSha; // fingerprint of the list last recorded
    // "Kisi.Ini" as it was when that fingerprint was taken: an unchanged file is not read and
    // hashed again at every draw (a million participants cost half a second).
    qint64 m_listSize = -1;
    QDateTime m_listModified;
    QString m_nameRecorded; // event name last recorded
    QString m_name;
};

// The evening as its files hold it, for the record. Times are invalid where the files do not say.
struct TEvening
{
    struct List
    {
        QDateTime time;
        int participants = 0;
        int prizes = 0;
        QByteArray sha256; // hex, lower case; empty when the file was missing
        QString copy;      // the kept copy of the list, when it is there
    };
    struct Winner
    {
        QString name;
        QString extra;
        QString prize;
        QDateTime time;
    };
    struct Numbers
    {
        QDateTime time;
        qint64 from = 0;
        qint64 to = 0;
        int requested = 0;
        QList<QPair<qint64, qint64>> excluded;
        QList<qint64> numbers;
    };
    enum class NoteKind
    {
        Resumed,      // `count` winners were drawn before the crash
        CutOff,       // winner `count` was being revealed when the program stopped
        PastComplete, // winner `count` was drawn after every prize had been given
    };
    struct Note
    {
        QDateTime time;
        NoteKind kind = NoteKind::Resumed;
        int count = 0;
    };

    QString journalFile;
    QString eventsFile;
    QDateTime started; // from the file name
    QString name;
    bool hasEvents = false;
    QList<List> lists;
    QList<Winner> winners;
    QList<Numbers> numberDraws;
    QList<Note> notes;
};

// Reads the evening that `anyFile` belongs to: its winners journal, state file, events file, a
// number list one of its draws wrote, or a copy of its participant list. Nothing when the file is
// not one of an evening's, or is damaged; `error` then holds one Turkish sentence. A line cut off
// at the end of a file (a power cut while it was written) is not counted and not an error.
std::optional<TEvening> readEvening(const QString& anyFile, QString* error);
