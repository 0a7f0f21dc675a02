#include "EveningLog.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "DrawJournal.h"
#include "SaveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace {
const QByteArray header = "CEKILIS-OLAYLAR\t1\r\n";
const QString timeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
const QString eventsSuffix = QStringLiteral(".Olaylar");

const QString kName = QStringLiteral("AD");
const QString kList = QStringLiteral("LISTE");
const QString kWinner = QStringLiteral("KAZANAN");
const QString kPastComplete = QStringLiteral("TAMAMLANMIS");
const QString kResumed = QStringLiteral("DEVAM");
const QString kCutOff = QStringLiteral("KESIK");
const QString kNumbers = QStringLiteral("SAYI");
const QString kNumbersEnd = QStringLiteral("SAYI_SON");

QString stemOf(const QString& journalFile)
{
    QString stem = journalFile;
    if (stem.endsWith(QLatin1String(".txt")))
        stem.chop(4);
    return stem;
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text)
    {
        if (ch == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (ch == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (ch == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (ch == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += ch;
    }
    return out;
}

QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const QChar ch = text.at(i);
        if (ch != QLatin1Char('\\') || i + 1 == text.size())
        {
            out += ch;
            continue;
        }
        const QChar next = text.at(++i);
        out += next == QLatin1Char('t')   ? QChar(u'\t')
               : next == QLatin1Char('r') ? QChar(u'\r')
               : next == QLatin1Char('n') ? QChar(u'\n')
                                          : next;
    }
    return out;
}

// Appends one line and returns once it is on the disk. A line an earlier append left unfinished
// (the program stopped half-way) is cut off first, so every line in the file is whole.
bool appendLine(const QString& path, const QByteArray& line)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    qint64 size = file.size();
    if (size > 0)
    {
        const qint64 tail = std::min<qint64>(size, 64 * 1024);
        file.seek(size - tail);
        const QByteArray end = file.read(tail);
        if (!end.endsWith('\n'))
        {
            const qsizetype lastBreak = end.lastIndexOf('\n');
            size = lastBreak < 0 ? size - tail : size - tail + lastBreak + 1;
            if (!file.resize(size))
                return false;
        }
    }
    const QByteArray bytes = size == 0 ? header + line : line;
    bool ok = file.seek(size) && file.write(bytes) == bytes.size() && syncFileToDisk(file);
    if (!ok)
        file.resize(size);
    file.close();
    if (!existed)
        SyncFolderToDisk(folder);
    return ok;
}

// The whole lines of a file, without their line ends; a last line without one is dropped.
QList<QByteArray> wholeLines(const QByteArray& bytes, const QByteArray& end)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype at = bytes.indexOf(end); at >= 0; from = at + end.size(), at = bytes.indexOf(end, from))
        lines.append(bytes.mid(from, at - from));
    return lines;
}

// "yyyy-MM-ddTHH:mm:ss", read by hand: a format string parse per line costs more than all the
// rest of reading a large evening.
QDateTime parseTime(const QString& text)
{
    if (text.size() != 19 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') ||
        text.at(10) != QLatin1Char('T') || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':'))
        return QDateTime();
    const auto number = [&text](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i)
        {
            const int digit = text.at(i).unicode() - '0';
            if (digit < 0 || digit > 9)
                return -1;
            value = value * 10 + digit;
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

struct EventLine
{
    QDateTime time;
    QString kind;
    QStringList fields;
};

// The events of a file; nothing when it is not an events file or a line in it is damaged
// (`badLine` then says which, from 1).
std::optional<QList<EventLine>> readEvents(const QByteArray& bytes, int* badLine)
{
    *badLine = 1;
    if (!bytes.startsWith(header))
        return std::nullopt;
    const QList<QByteArray> lines = wholeLines(bytes.mid(header.size()), "\r\n");
    QList<EventLine> events;
    events.reserve(lines.size());
    for (const QByteArray& raw : lines)
    {
        ++*badLine;
        const QString line = QString::fromUtf8(raw);
        if (line.toUtf8() != raw)
            return std::nullopt;
        QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() < 2)
            return std::nullopt;
        EventLine event;
        event.time = parseTime(parts.takeFirst());
        event.kind = parts.takeFirst();
        if (!event.time.isValid() || event.kind.isEmpty())
            return std::nullopt;
        for (const QString& field : std::as_const(parts))
            event.fields.append(unescaped(field));
        events.append(event);
    }
    return events;
}

QString fingerprint(const QString& path, QByteArray* bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    *bytes = file.readAll();
    return QString::fromLatin1(QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex());
}
} // namespace

TEveningLog::TEveningLog(const TDrawJournal& journal, Now now) : m_journal(journal), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTime(); };
}

QString TEveningLog::eventsFile(const QString& journalFile)
{
    return stemOf(journalFile) + eventsSuffix;
}

QString TEveningLog::listCopyFile(const QString& journalFile, const QByteArray& sha256Hex)
{
    return stemOf(journalFile) + QStringLiteral("-Liste-") + QString::fromLatin1(sha256Hex.left(12)) +
           QStringLiteral(".Kisi");
}

QString TEveningLog::file() const
{
    return eventsFile(m_journal.winnersFile());
}

// A resumed evening goes on in its own events file: what it recorded last is what counts.
void TEveningLog::follow()
{
    const QString path = file();
    if (path == m_file)
        return;
    m_file = path;
    m_listSha.clear();
    m_listModified = QDateTime();
    m_nameRecorded.clear();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return;
    int bad = 0;
    const auto events = readEvents(in.readAll(), &bad);
    if (!events)
        return;
    for (const EventLine& e : *events)
    {
        if (e.kind == kList && e.fields.size() >= 3)
            m_listSha = e.fields.at(2).toLatin1() + '!'; // recorded, possibly as "missing"
        else if (e.kind == kName && !e.fields.isEmpty())
            m_nameRecorded = e.fields.at(0);
    }
}

bool TEveningLog::append(const QString& kind, const QStringList& fields)
{
    follow();
    QString line = m_now().toString(timeFormat) + QLatin1Char('\t') + kind;
    for (const QString& field : fields)
        line += QLatin1Char('\t') + escaped(field);
    line += QLatin1String("\r\n");
    return appendLine(m_file, line.toUtf8());
}

void TEveningLog::recordName()
{
    follow();
    // A run that has no name set (a resumed evening before its settings) keeps the recorded one.
    if (!m_name.isEmpty() && m_name != m_nameRecorded && append(kName, {m_name}))
        m_nameRecorded = m_name;
}

void TEveningLog::drawStarting(const QString& kisiFile, int participants, int prizes, bool pastComplete, int sequence)
{
    recordName();
    // The file is taken as unchanged only when its time is old enough to tell a change apart: a
    // stick's file system keeps times to two seconds.
    const QFileInfo info(kisiFile);
    const QDateTime modified = info.lastModified();
    const bool unchanged = m_listModified.isValid() && modified == m_listModified && info.size() == m_listSize &&
                           modified.secsTo(QDateTime::currentDateTime()) > 5;
    m_listModified = QDateTime();
    if (unchanged)
    {
        m_listModified = modified;
        if (pastComplete)
            append(kPastComplete, {QString::number(sequence)});
        return;
    }
    QByteArray bytes;
    const QString sha = fingerprint(kisiFile, &bytes);
    // A trailing '!' marks a fingerprint as recorded, so a missing list (empty) is one too.
    const QByteArray marked = sha.toLatin1() + '!';
    if (marked != m_listSha)
    {
        QString copy;
        if (!sha.isEmpty())
        {
            // The record's appendix is made from this copy, whatever happens to "Kisi.Ini" later.
            copy = listCopyFile(m_journal.winnersFile(), sha.toLatin1());
            try
            {
                if (!QFileInfo::exists(copy))
                    SaveFileAtomically(copy, bytes);
            }
            catch (const EFileError&)
            {
                copy.clear();
            }
        }
        if (append(kList, {QString::number(participants), QString::number(prizes), sha, QFileInfo(copy).fileName()}))
            m_listSha = marked;
    }
    if (marked == m_listSha)
    {
        m_listSize = info.size();
        m_listModified = modified;
    }
    if (pastComplete)
        append(kPastComplete, {QString::number(sequence)});
}

void TEveningLog::winnerPicked(int sequence, const QByteArray& adi, const QByteArray& extra, const QByteArray& hediye)
{
    // Name and prize as the journal's line has them, so the two files agree byte for byte.
    const QByteArray line = winnerLine(adi, hediye);
    const qsizetype tab = line.indexOf('\t');
    append(kWinner, {QString::number(sequence), Cp1254::toUnicode(line.left(tab)), Cp1254::toUnicode(extra),
                     Cp1254::toUnicode(line.mid(tab + 1, line.size() - tab - 3))});
}

void TEveningLog::resumed(int winners, int shown)
{
    append(kResumed, {QString::number(winners)});
    if (shown < winners)
        append(kCutOff, {QString::number(winners)});
}

void TEveningLog::numbersStarted(qint64 from, qint64 to, int requested, const QList<QPair<qint64, qint64>>& excluded)
{
    recordName();
    QStringList ranges;
    for (const auto& [first, last] : excluded)
        ranges << QStringLiteral("%1-%2").arg(first).arg(last);
    append(kNumbers, {QString::number(from), QString::number(to), QString::number(requested),
                      ranges.join(QLatin1Char(' ')), QFileInfo(m_journal.numbersFile()).fileName()});
}

void TEveningLog::numbersEnded(int drawn)
{
    // The number file's name is settled by its first write: another draw may have held it.
    append(kNumbersEnd, {QString::number(drawn), QFileInfo(m_journal.numbersFile()).fileName()});
}

// ---------------------------------------------------------------------------------------------

namespace {
QString damagedText(const QString& path, int line)
{
    return QStringLiteral("\"%1\" bozuk: %2. satırı okunamadı.").arg(QDir::toNativeSeparators(path)).arg(line);
}

bool readBytes(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        *error = QStringLiteral("\"%1\" açılamadı.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    *bytes = file.readAll();
    return true;
}

bool toInt(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

bool toLong(const QString& text, qint64* value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok;
}

// The evening an events file names a number list in, looked for in the list's folder.
QString eveningOfNumbers(const QDir& dir, const QString& numbersName)
{
    const QByteArray needle = '\t' + numbersName.toUtf8() + "\r\n";
    const QStringList logs = dir.entryList({QStringLiteral("Cekilis-*") + eventsSuffix}, QDir::Files, QDir::Name);
    for (const QString& log : logs)
    {
        QFile file(dir.filePath(log));
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            return dir.filePath(log);
    }
    return QString();
}

bool applyEvent(TEvening& evening, const EventLine& e, const QDir& dir)
{
    const QStringList& f = e.fields;
    if (e.kind == kName)
    {
        if (f.size() != 1)
            return false;
        evening.name = f.at(0);
    }
    else if (e.kind == kList)
    {
        TEvening::List list;
        list.time = e.time;
        if (f.size() != 4 || !toInt(f.at(0), &list.participants) || !toInt(f.at(1), &list.prizes))
            return false;
        list.sha256 = f.at(2).toLatin1();
        if (!f.at(3).isEmpty() && QFileInfo(dir.filePath(f.at(3))).isFile())
            list.copy = dir.filePath(f.at(3));
        evening.lists.append(list);
    }
    else if (e.kind == kWinner)
    {
        int sequence = 0;
        if (f.size() != 4 || !toInt(f.at(0), &sequence) || sequence < 1)
            return false;
        const qsizetype at = sequence - 1;
        // The journal is the list of winners; a winner it missed (a write that failed) is kept.
        if (at < evening.winners.size() && evening.winners.at(at).name == f.at(1))
        {
            evening.winners[at].time = e.time;
            evening.winners[at].extra = f.at(2);
        }
        else if (at >= evening.winners.size())
        {
            evening.winners.resize(at);
            evening.winners.append({f.at(1), f.at(2), f.at(3), e.time});
        }
    }
    else if (e.kind == kPastComplete || e.kind == kResumed || e.kind == kCutOff)
    {
        TEvening::Note note;
        note.time = e.time;
        note.kind = e.kind == kResumed  ? TEvening::NoteKind::Resumed
                    : e.kind == kCutOff ? TEvening::NoteKind::CutOff
                                        : TEvening::NoteKind::PastComplete;
        if (f.size() != 1 || !toInt(f.at(0), &note.count))
            return false;
        evening.notes.append(note);
    }
    else if (e.kind == kNumbers)
    {
        TEvening::Numbers draw;
        draw.time = e.time;
        if (f.size() != 5 || !toLong(f.at(0), &draw.from) || !toLong(f.at(1), &draw.to) ||
            !toInt(f.at(2), &draw.requested))
            return false;
        const QStringList ranges = f.at(3).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& range : ranges)
        {
            const QStringList ends = range.split(QLatin1Char('-'));
            qint64 first = 0;
            qint64 last = 0;
            if (ends.size() != 2 || !toLong(ends.at(0), &first) || !toLong(ends.at(1), &last))
                return false;
            draw.excluded.append({first, last});
        }
        evening.numberDraws.append(draw);
        return !f.at(4).contains(QLatin1Char('/')) && !f.at(4).contains(QLatin1Char('\\'));
    }
    else if (e.kind == kNumbersEnd)
    {
        int drawn = 0;
        if (f.size() != 2 || !toInt(f.at(0), &drawn) || evening.numberDraws.isEmpty())
            return false;
    }
    // A kind this version does not know comes from a later one: it is passed over.
    return true;
}

// The journal blanks every control character, so a line has exactly one TAB; the start of a
// line may have none yet.
bool isWinnerLine(const QByteArray& line, bool start)
{
    const qsizetype tab = line.indexOf('\t');
    if ((tab < 0 && !start) || (tab >= 0 && line.indexOf('\t', tab + 1) >= 0))
        return false;
    for (qsizetype i = 0; i < line.size(); ++i)
    {
        if (i != tab && Cp1254::toUnicode(line.at(i)).category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool readNumbers(const QString& path, QList<qint64>* numbers, QString* error)
{
    QByteArray bytes;
    if (!QFileInfo::exists(path))
        return true; // the draw took no number before it stopped
    if (!readBytes(path, &bytes, error))
        return false;
    const QList<QByteArray> lines = wholeLines(bytes, "\r\n");
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    int number = 0;
    for (const QByteArray& line : lines)
    {
        ++number;
        if (!digits.match(QLatin1String(line)).hasMatch())
        {
            *error = damagedText(path, number);
            return false;
        }
        numbers->append(line.toLongLong());
    }
    return true;
}
} // namespace

std::optional<TEvening> readEvening(const QString& anyFile, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QFileInfo info(anyFile);
    if (!info.isFile())
    {
        *error = QStringLiteral("\"%1\" bulunamadı.").arg(QDir::toNativeSeparators(anyFile));
        return std::nullopt;
    }
    const QDir dir = info.absoluteDir();
    static const QRegularExpression eveningName(
        QStringLiteral("^(Cekilis-(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(_\\d+)?)(\\.txt|\\.Ini|\\.Olaylar|-Liste-"
                       "[0-9a-f]+\\.Kisi)$"));
    static const QRegularExpression numbersName(
        QStringLiteral("^Sayilar-\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d+)?\\.txt$"));
    QString name = info.fileName();
    if (numbersName.match(name).hasMatch())
    {
        const QString log = eveningOfNumbers(dir, name);
        if (log.isEmpty())
        {
            *error = QStringLiteral("\"%1\" hiçbir çekilişin olay kaydında geçmiyor.")
                         .arg(QDir::toNativeSeparators(anyFile));
            return std::nullopt;
        }
        name = QFileInfo(log).fileName();
    }
    const QRegularExpressionMatch match = eveningName.match(name);
    if (!match.hasMatch())
    {
        *error = QStringLiteral("\"%1\" bir çekiliş kayıt dosyası değil.").arg(QDir::toNativeSeparators(anyFile));
        return std::nullopt;
    }

    TEvening evening;
    evening.journalFile = dir.filePath(match.captured(1) + QStringLiteral(".txt"));
    evening.eventsFile = dir.filePath(match.captured(1) + eventsSuffix);
    evening.started = QDateTime::fromString(match.captured(2), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const bool hasJournal = QFileInfo(evening.journalFile).isFile();
    evening.hasEvents = QFileInfo(evening.eventsFile).isFile();
    if (!hasJournal && !evening.hasEvents)
    {
        *error = QStringLiteral("\"%1\" için çekiliş kaydı bulunamadı.").arg(QDir::toNativeSeparators(anyFile));
        return std::nullopt;
    }

    if (hasJournal)
    {
        QByteArray bytes;
        if (!readBytes(evening.journalFile, &bytes, error))
            return std::nullopt;
        const QList<QByteArray> lines = wholeLines(bytes, "\r\n");
        for (qsizetype number = 0; number < lines.size(); ++number)
        {
            const QByteArray& line = lines.at(number);
            if (!isWinnerLine(line, false))
            {
                *error = damagedText(evening.journalFile, int(number + 1));
                return std::nullopt;
            }
            const qsizetype tab = line.indexOf('\t');
            evening.winners.append(
                {Cp1254::toUnicode(line.left(tab)), QString(), Cp1254::toUnicode(line.mid(tab + 1)), QDateTime()});
        }
        // What follows the last whole line is a line a power cut ended, or not a journal at all.
        const qsizetype lastEnd = bytes.lastIndexOf("\r\n");
        QByteArray tail = bytes.mid(lastEnd < 0 ? 0 : lastEnd + 2);
        if (tail.endsWith('\r'))
            tail.chop(1);
        if (!isWinnerLine(tail, true))
        {
            *error = damagedText(evening.journalFile, int(lines.size() + 1));
            return std::nullopt;
        }
    }

    if (evening.hasEvents)
    {
        QByteArray bytes;
        if (!readBytes(evening.eventsFile, &bytes, error))
            return std::nullopt;
        int bad = 0;
        const auto events = readEvents(bytes, &bad);
        if (!events)
        {
            *error = damagedText(evening.eventsFile, bad);
            return std::nullopt;
        }
        QStringList numberFiles;
        int line = 1;
        for (const EventLine& e : *events)
        {
            ++line;
            if (!applyEvent(evening, e, dir))
            {
                *error = damagedText(evening.eventsFile, line);
                return std::nullopt;
            }
            if (e.kind == kNumbers)
                numberFiles.append(e.fields.at(4));
            else if (e.kind == kNumbersEnd && !e.fields.at(1).isEmpty())
                numberFiles.last() = QFileInfo(e.fields.at(1)).fileName();
        }
        for (qsizetype i = 0; i < evening.numberDraws.size(); ++i)
        {
            if (!readNumbers(dir.filePath(numberFiles.at(i)), &evening.numberDraws[i].numbers, error))
                return std::nullopt;
        }
    }
    return evening;
}
