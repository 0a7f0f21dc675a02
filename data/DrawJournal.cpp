#include "DrawJournal.h"

#include "Codec1254.h"
#include "DataErrors.h"
#include "IniFile.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <utility>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QString timeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

enum class AppendResult
{
    Written,
    Exists, // createNew and the name is taken
    NotOpened,
    NotWritten, // opened (created when createNew), but the bytes are not all on the disk
};

// Appends `bytes` to the file and waits until they are on the disk. `createNew` creates the file
// and fails when the name is taken. The first `keep` bytes are never touched: anything after
// them (the tail of an earlier append that failed) is cut off first, and a failed append cuts
// its own tail off again. Nothing is ever written over what is already in the file.
AppendResult appendSynced(const QString& path, const QByteArray& bytes, bool createNew, qint64 keep)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(path);
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(native.utf16()), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           createNew ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS ? AppendResult::Exists : AppendResult::NotOpened;
    LARGE_INTEGER size{};
    LARGE_INTEGER kept{};
    kept.QuadPart = keep;
    auto cutBack = [&] {
        if (GetFileSizeEx(h, &size) && size.QuadPart > keep && SetFilePointerEx(h, kept, nullptr, FILE_BEGIN))
            SetEndOfFile(h);
    };
    cutBack();
    LARGE_INTEGER zero{};
    bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) != 0;
    qsizetype done = 0;
    while (ok && done < bytes.size())
    {
        DWORD chunk = 0;
        ok = WriteFile(h, bytes.constData() + done, DWORD(bytes.size() - done), &chunk, nullptr) && chunk > 0;
        done += chunk;
    }
    ok = ok && FlushFileBuffers(h);
    if (!ok)
        cutBack();
    CloseHandle(h);
    return ok ? AppendResult::Written : AppendResult::NotWritten;
#else
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | (createNew ? O_EXCL : 0);
    const int fd = ::open(name.constData(), flags, 0666);
    if (fd < 0)
        return errno == EEXIST ? AppendResult::Exists : AppendResult::NotOpened;
    auto cutBack = [&] {
        struct stat st = {};
        if (::fstat(fd, &st) == 0 && st.st_size > keep)
        {
            [[maybe_unused]] const int cut = ::ftruncate(fd, keep);
        }
    };
    cutBack();
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < bytes.size())
    {
        const ssize_t chunk = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (chunk < 0 && errno == EINTR)
            continue;
        ok = chunk > 0;
        done += ok ? chunk : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok)
        cutBack();
    ::close(fd);
    return ok ? AppendResult::Written : AppendResult::NotWritten;
#endif
}

bool isControl(char byte)
{
    return Cp1254::toUnicode(byte).category() == QChar::Other_Control;
}

void appendBlanked(QByteArray& line, const QByteArray& text)
{
    for (const char byte : text)
        line += isControl(byte) ? ' ' : byte;
}
} // namespace

QByteArray winnerLine(const QByteArray& adi, const QByteArray& hediye)
{
    QByteArray line;
    line.reserve(adi.size() + hediye.size() + 3);
    appendBlanked(line, adi);
    line += '\t';
    appendBlanked(line, hediye);
    line += "\r\n";
    return line;
}

TDrawJournal::TDrawJournal(QString folder, const QDateTime& runStarted)
    : m_folder(std::move(folder)), m_started(runStarted)
{
    m_winners.stem = QStringLiteral("Cekilis-") + runStarted.toString(timeFormat);
    m_winners.path = freeName(m_winners.stem, 1);
}

QString TDrawJournal::freeName(const QString& stem, int attempt) const
{
    // "_2" sorts after ".txt", so a second run started in the same second is listed after the first.
    const QString suffix = attempt > 1 ? QStringLiteral("_%1").arg(attempt) : QString();
    return QDir(m_folder).filePath(stem + suffix + QStringLiteral(".txt"));
}

bool TDrawJournal::flush(AppendedFile& file)
{
    if (!QDir().mkpath(m_folder))
        return false;
    AppendResult result = AppendResult::NotOpened;
    if (file.claimed)
    {
        result = appendSynced(file.path, file.pending, false, file.written);
    }
    else
    {
        // Another run started in the same second may hold the name already: take the next one.
        for (int attempt = 1; attempt <= 100; ++attempt)
        {
            const QString path = freeName(file.stem, attempt);
            result = appendSynced(path, file.pending, true, 0);
            if (result == AppendResult::Exists)
                continue;
            if (result != AppendResult::NotOpened)
            {
                file.claimed = true;
                file.path = path;
                SyncFolderToDisk(m_folder);
            }
            break;
        }
    }
    if (result != AppendResult::Written)
        return false;
    file.written += file.pending.size();
    file.pending.clear();
    return true;
}

bool TDrawJournal::appendWinner(const QByteArray& adi, const QByteArray& hediye)
{
    m_winners.pending += winnerLine(adi, hediye);
    ++m_count;
    if (flush(m_winners))
    {
        // The state knows of this winner before its reveal: a start after a crash can then tell
        // a reveal cut off from a state file that could not be written.
        writeState();
        return true;
    }
    if (!m_winnersTold)
    {
        m_winnersTold = true;
        m_notice = winnersFailedText(m_winners.path);
    }
    return false;
}

void TDrawJournal::winnerShown()
{
    m_shown = m_count;
    writeState();
}

void TDrawJournal::winnersSaved(int count)
{
    m_saved = std::min(count, m_count);
    writeState();
}

namespace {
const QString stateSection = QStringLiteral("Cekilis");
const QString startedKey = QStringLiteral("Basladi");
const QString appendedKey = QStringLiteral("Cekilen");
const QString shownKey = QStringLiteral("Gosterilen");
const QString savedKey = QStringLiteral("Kaydedilen");
const QString declinedKey = QStringLiteral("Sorma");
const QString firstKey = QStringLiteral("Baslangic");
const QString lastKey = QStringLiteral("Bitis");
const QString requestedKey = QStringLiteral("Adet");
const QString finishedKey = QStringLiteral("Bitti");
const QString numbersSavedKey = QStringLiteral("Kaydedildi");
const QString trueText = QStringLiteral("True");

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A journal's state as the start reads it: only a small regular file is read, anything else
// reads as no state.
class JournalState
{
public:
    explicit JournalState(const QString& journalFile)
    {
        const QString path = TDrawJournal::stateFile(journalFile);
        const QFileInfo info(path);
        if (!info.exists() || (info.isFile() && info.size() <= TDrawJournal::MaxStateBytes))
            m_ini.emplace(path);
    }
    QString text(const QString& key) const
    {
        return m_ini ? m_ini->readString(stateSection, key, QString()) : QString();
    }
    int integer(const QString& key, int defaultValue) const
    {
        return m_ini ? m_ini->readInteger(stateSection, key, defaultValue) : defaultValue;
    }
    bool has(const QString& key) const { return m_ini && m_ini->valueExists(stateSection, key); }
    bool isTrue(const QString& key) const { return text(key).compare(trueText, Qt::CaseInsensitive) == 0; }

private:
    std::optional<TIniFile> m_ini;
};

// A journal's text as lines of the tables' code page, however it was saved.
struct JournalText
{
    QList<QByteArray> lines;
    qint64 wholeBytes = 0; // in the file as it is, up to the end of its last whole line
    QString encoding;      // empty: the program's own form (code page 1254, CR LF)
    QByteArray ownForm;    // when not in the program's own form: the lines in it
    bool undecodable = false;
};

JournalText splitJournal(const QByteArray& raw)
{
    JournalText text;
    std::optional<QStringConverter::Encoding> decoding;
    if (raw.startsWith("\xFF\xFE"))
        decoding = QStringConverter::Utf16LE;
    else if (raw.startsWith("\xFE\xFF"))
        decoding = QStringConverter::Utf16BE;
    else if (raw.startsWith("\xEF\xBB\xBF"))
        decoding = QStringConverter::Utf8;
    else if (std::any_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    {
        // Names in the code page are never valid UTF-8 in practice (a Turkish letter is a lead
        // byte followed by another letter); text that decodes as UTF-8 was re-saved as UTF-8.
        QStringDecoder probe(QStringConverter::Utf8);
        [[maybe_unused]] const QString decoded = probe.decode(raw);
        if (!probe.hasError())
            decoding = QStringConverter::Utf8;
    }
    if (decoding)
    {
        QStringDecoder decoder(*decoding, QStringConverter::Flag::ConvertInitialBom);
        QString decoded = decoder.decode(raw);
        if (decoder.hasError())
        {
            text.undecodable = true;
            return text;
        }
        if (decoded.startsWith(QChar::ByteOrderMark))
            decoded.remove(0, 1);
        text.encoding = *decoding == QStringConverter::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16");
        QStringList lines = decoded.split(QLatin1Char('\n'));
        if (lines.constLast().isEmpty())
            lines.removeLast();
        for (QString& line : lines)
        {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            const QByteArray bytes = Cp1254::fromUnicode(line);
            text.ownForm += bytes + "\r\n";
            // A name the code page cannot hold is no participant's: the line is not read.
            text.lines.append(Cp1254::canEncode(line) ? bytes : QByteArray());
        }
        return text;
    }
    qsizetype from = 0;
    bool lfOnly = false;
    for (qsizetype end = raw.indexOf('\n'); end >= 0; from = end + 1, end = raw.indexOf('\n', from))
    {
        const bool crlf = end > from && raw.at(end - 1) == '\r';
        lfOnly = lfOnly || !crlf;
        text.lines.append(raw.mid(from, end - from - (crlf ? 1 : 0)));
    }
    text.wholeBytes = from;
    if (lfOnly)
    {
        // An editor that changed the line ends may also have dropped the last one; in the
        // program's own form a last line without its end is an append the crash cut short.
        text.encoding = QStringLiteral("LF");
        if (from < raw.size())
            text.lines.append(raw.mid(from));
        for (const QByteArray& line : std::as_const(text.lines))
            text.ownForm += line + "\r\n";
    }
    return text;
}

bool hasControl(const QByteArray& text)
{
    return std::any_of(text.begin(), text.end(), isControl);
}

bool parseWinner(const QByteArray& line, const TWinnerLineLimits& limits, QPair<QByteArray, QByteArray>& winner)
{
    const qsizetype tab = line.indexOf('\t');
    if (tab <= 0 || line.indexOf('\t', tab + 1) >= 0)
        return false;
    winner = {line.left(tab), line.mid(tab + 1)};
    return winner.first.size() <= limits.name && winner.second.size() <= limits.prize &&
           !winner.first.trimmed().isEmpty() && !hasControl(winner.first) && !hasControl(winner.second);
}

bool parseNumber(const QByteArray& line, qint64& number)
{
    bool ok = false;
    number = line.size() <= 11 ? line.toLongLong(&ok) : 0;
    return ok && !line.startsWith('+') && !line.startsWith(' ') && number >= std::numeric_limits<qint32>::min() &&
           number <= std::numeric_limits<qint32>::max();
}

QDateTime timeFromName(const QString& fileName, const QString& prefix)
{
    return QDateTime::fromString(fileName.mid(prefix.size(), timeFormat.size()), timeFormat);
}

struct Candidate
{
    QFileInfo info;
    QDateTime started;
    bool future = false;
};

// The journals named `prefix`*.txt, newest first by the start time each holds; those dated after
// `now` come after all the others.
QList<Candidate> candidates(const QDir& dir, const QString& prefix, const QDateTime& now)
{
    QList<Candidate> found;
    const QFileInfoList entries =
        dir.entryInfoList({prefix + QStringLiteral("*.txt")},
                          QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries)
    {
        Candidate candidate{info, {}, false};
        if (info.isFile())
        {
            candidate.started = QDateTime::fromString(JournalState(info.filePath()).text(startedKey), Qt::ISODate);
        }
        if (!candidate.started.isValid())
            candidate.started = timeFromName(info.fileName(), prefix);
        if (!candidate.started.isValid())
            candidate.started = info.lastModified();
        candidate.future = candidate.started > now;
        found.append(candidate);
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        if (a.future != b.future)
            return !a.future;
        if (a.started != b.started)
            return a.started > b.started;
        return a.info.fileName() > b.info.fileName();
    });
    return found;
}

enum class Reading
{
    Read,
    NotAFile,
    TooLarge,
    Unreadable,
};

Reading readJournal(const QFileInfo& info, QByteArray& raw)
{
    // A link to a device or a folder named like a journal is never opened: reading /dev/zero
    // would never end, and a FIFO would never answer.
    if (!info.isFile())
        return Reading::NotAFile;
    if (info.size() > TDrawJournal::MaxJournalBytes)
        return Reading::TooLarge;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return Reading::Unreadable;
    raw = file.read(TDrawJournal::MaxJournalBytes + 1);
    if (raw.size() > TDrawJournal::MaxJournalBytes)
        return Reading::TooLarge;
    return Reading::Read;
}

QString readingNotice(Reading reading, const QFileInfo& info)
{
    switch (reading)
    {
    case Reading::NotAFile:
        return QStringLiteral("\"%1\" bir dosya değil (bir klasör, aygıt ya da bağlantı); okunmadı.")
            .arg(native(info.filePath()));
    case Reading::TooLarge:
        return QStringLiteral("\"%1\" program tarafından yazılmış olamayacak kadar büyük; okunmadı.")
            .arg(native(info.filePath()));
    case Reading::Unreadable:
        return QStringLiteral("\"%1\" okunamadı; içindeki çekiliş devam için sunulmadı, daha eski bir çekiliş de "
                              "sunulmadı.")
            .arg(native(info.filePath()));
    case Reading::Read:
        break;
    }
    return QString();
}

QString setAsideNotice(const QFileInfo& info, const QString& reason)
{
    return QStringLiteral("\"%1\" çekiliş kaydı olarak okunamadı (%2); bir kenara konuldu ve bir daha sorulmayacak.")
        .arg(native(info.filePath()), reason);
}

QString damagedReason(int damaged, int lines)
{
    return QStringLiteral("%1 satırdan %2 tanesi bozuk").arg(lines).arg(damaged);
}

// A journal does not parse when it is mostly not what the program writes.
bool unparseable(const JournalText& text, int damaged)
{
    return text.undecodable || damaged > int(text.lines.size()) - damaged;
}

enum class Verdict
{
    Offer,
    LookFurther,
    Stop,
};

struct Judgement
{
    Verdict verdict = Verdict::LookFurther;
    int damagedLines = 0;
};

// Walks the journals named `prefix`*.txt, newest first, past declined ones. `judge` reads each
// journal that could be read and says whether to offer it, to look at the next or to stop; one
// that cannot be taken into account is told in a line, and one that cannot be read stops the
// walk, so that nothing older is offered in its place.
template <class Judge>
void walkJournals(const QDir& dir, const QString& prefix, const QDateTime& now, QStringList& notices, Judge judge)
{
    for (const Candidate& candidate : candidates(dir, prefix, now))
    {
        const JournalState state(candidate.info.filePath());
        if (state.isTrue(declinedKey))
            continue;
        QByteArray raw;
        const Reading reading = readJournal(candidate.info, raw);
        if (reading != Reading::Read)
        {
            notices.append(readingNotice(reading, candidate.info));
            if (reading == Reading::Unreadable)
                return;
            continue;
        }
        const JournalText text = splitJournal(raw);
        const Judgement judgement = judge(candidate, state, text);
        if (unparseable(text, judgement.damagedLines))
        {
            notices.append(setAsideNotice(
                candidate.info, text.undecodable ? QStringLiteral("metin kodlaması tanınmadı")
                                                 : damagedReason(judgement.damagedLines, int(text.lines.size()))));
            TDrawJournal::decline(candidate.info.filePath());
            continue;
        }
        if (judgement.verdict != Verdict::LookFurther)
            return;
    }
}

std::optional<TUnsavedEvening> findEvening(const QDir& dir, const QDateTime& now, const TWinnerLineLimits& limits,
                                           QStringList& notices)
{
    std::optional<TUnsavedEvening> found;
    walkJournals(dir, QStringLiteral("Cekilis-"), now, notices,
                 [&](const Candidate& candidate, const JournalState& state, const JournalText& text) {
                     TUnsavedEvening evening;
                     for (const QByteArray& line : text.lines)
                     {
                         QPair<QByteArray, QByteArray> winner;
                         if (parseWinner(line, limits, winner))
                             evening.winners.append(winner);
                         else
                             ++evening.damagedLines;
                     }
                     // The walk sets a journal that does not parse aside.
                     if (unparseable(text, evening.damagedLines))
                         return Judgement{Verdict::LookFurther, evening.damagedLines};
                     const int count = int(evening.winners.size());
                     evening.saved = std::clamp(state.integer(savedKey, 0), 0, count);
                     // An evening saved whole ends the search: anything older was offered before it.
                     if (count == 0 || evening.saved >= count)
                         return Judgement{count > 0 && !candidate.future ? Verdict::Stop : Verdict::LookFurther,
                                          evening.damagedLines};
                     evening.file = candidate.info.filePath();
                     evening.started = candidate.started;
                     evening.shown = std::clamp(state.integer(shownKey, 0), 0, count);
                     // Only a state that knew of the last winner can say its reveal was cut off; a
                     // state file that could not be written says nothing.
                     evening.cutOff = state.integer(appendedKey, -1) == count && evening.shown < count;
                     evening.encoding = text.encoding;
                     evening.rewritten = text.ownForm;
                     evening.wholeBytes = text.wholeBytes;
                     const int damaged = evening.damagedLines;
                     found = std::move(evening);
                     return Judgement{Verdict::Offer, damaged};
                 });
    return found;
}

std::optional<TUnsavedNumbers> findNumbers(const QDir& dir, const QDateTime& now, QStringList& notices)
{
    std::optional<TUnsavedNumbers> found;
    walkJournals(dir, QStringLiteral("Sayilar-"), now, notices,
                 [&](const Candidate& candidate, const JournalState& state, const JournalText& text) {
                     // A draw without its state (written by an earlier version of the program, or when the
                     // state could not be written) says nothing of how it ended: it is not offered.
                     if (!state.has(requestedKey))
                         return Judgement{Verdict::Stop, 0};
                     TUnsavedNumbers numbers;
                     QSet<qint64> seen;
                     for (const QByteArray& line : text.lines)
                     {
                         qint64 number = 0;
                         if (parseNumber(line, number) && !seen.contains(number))
                         {
                             seen.insert(number);
                             numbers.numbers.append(number);
                         }
                         else
                             ++numbers.damagedLines;
                     }
                     if (unparseable(text, numbers.damagedLines))
                         return Judgement{Verdict::LookFurther, numbers.damagedLines};
                     numbers.finished = state.isTrue(finishedKey);
                     if (numbers.numbers.isEmpty() || (numbers.finished && state.isTrue(numbersSavedKey)))
                         return Judgement{!numbers.numbers.isEmpty() && !candidate.future ? Verdict::Stop
                                                                                          : Verdict::LookFurther,
                                          numbers.damagedLines};
                     numbers.file = candidate.info.filePath();
                     numbers.started = candidate.started;
                     numbers.first = state.text(firstKey).toLongLong();
                     numbers.last = state.text(lastKey).toLongLong();
                     numbers.requested = std::max(state.integer(requestedKey, 0), int(numbers.numbers.size()));
                     numbers.rewritten = text.ownForm;
                     numbers.wholeBytes = text.wholeBytes;
                     const int damaged = numbers.damagedLines;
                     found = std::move(numbers);
                     return Judgement{Verdict::Offer, damaged};
                 });
    return found;
}
} // namespace

QString TDrawJournal::stateFile(const QString& journalFile)
{
    QString state = journalFile;
    if (state.endsWith(QLatin1String(".txt")))
        state.chop(4);
    return state + QStringLiteral(".Ini");
}

namespace {
// Replaces the keys in a journal's state file, a small whole-file replace. A state that cannot be
// written costs only the question of the next start: it then offers winners that were saved,
// and says nothing of a name cut off.
bool updateState(const QString& journalFile, const QList<QPair<QString, QString>>& keys)
{
    try
    {
        TIniFile state(TDrawJournal::stateFile(journalFile));
        for (const auto& [key, value] : keys)
            state.writeString(stateSection, key, value);
        state.updateFile();
        return true;
    }
    catch (const EFileError&)
    {
        return false;
    }
}

QString boolText(bool value)
{
    return value ? trueText : QStringLiteral("False");
}
} // namespace

void TDrawJournal::writeState()
{
    if (m_winners.claimed)
        updateState(m_winners.path, {{startedKey, m_started.toString(Qt::ISODate)},
                                     {appendedKey, QString::number(m_count)},
                                     {shownKey, QString::number(m_shown)},
                                     {savedKey, QString::number(m_saved)}});
}

void TDrawJournal::writeNumbersState()
{
    if (m_numbers.claimed)
        updateState(m_numbers.path, {{startedKey, m_numbersStarted.toString(Qt::ISODate)},
                                     {firstKey, QString::number(m_numbersFirst)},
                                     {lastKey, QString::number(m_numbersLast)},
                                     {requestedKey, QString::number(m_numbersRequested)},
                                     {finishedKey, boolText(m_numbersFinished)},
                                     {numbersSavedKey, boolText(m_numbersSaved)}});
}

TStartupJournals TDrawJournal::findAtStart(const QString& folder, const QDateTime& now, TWinnerLineLimits limits)
{
    TStartupJournals found;
    const QDir dir(folder);
    found.evening = findEvening(dir, now, limits, found.notices);
    found.numbers = findNumbers(dir, now, found.notices);
    return found;
}

std::optional<TUnsavedEvening> TDrawJournal::findUnsaved(const QString& folder)
{
    return findAtStart(folder).evening;
}

// Goes on with a file read at start. One an editor re-saved is first written back in the
// program's own form, so what is appended is in the same form as what is there; when that
// cannot be written, the file is left as it is and set aside, and `whole` (everything it held)
// goes to a file of this run with the next append.
bool TDrawJournal::adopt(AppendedFile& file, const QString& path, const QByteArray& rewritten, qint64 wholeBytes,
                         const QByteArray& whole)
{
    file.pending.clear();
    file.written = wholeBytes;
    try
    {
        if (!rewritten.isEmpty())
        {
            SaveFileAtomically(path, rewritten);
            file.written = rewritten.size();
        }
        file.path = path;
        file.claimed = true;
        return true;
    }
    catch (const EFileError&)
    {
        decline(path);
        file.written = 0;
        file.pending = whole;
        return false;
    }
}

void TDrawJournal::resume(const TUnsavedEvening& evening)
{
    if (evening.started.isValid())
        m_started = evening.started;
    m_count = int(evening.winners.size());
    m_shown = m_count;
    m_saved = evening.saved;
    QByteArray whole;
    for (const auto& [adi, hediye] : evening.winners)
        whole += winnerLine(adi, hediye);
    // Anything after the last whole line (an append cut by the crash) is cut off with the next append.
    if (adopt(m_winners, evening.file, evening.rewritten, evening.wholeBytes, whole))
        writeState();
    else
        m_saved = 0;
}

void TDrawJournal::resumeNumbers(const TUnsavedNumbers& numbers)
{
    startNumbers(numbers.started);
    m_numbersFirst = numbers.first;
    m_numbersLast = numbers.last;
    m_numbersRequested = numbers.requested;
    m_numbersFinished = numbers.finished;
    QByteArray whole;
    for (qint64 n : numbers.numbers)
        whole += QByteArray::number(n) + "\r\n";
    if (adopt(m_numbers, numbers.file, numbers.rewritten, numbers.wholeBytes, whole))
        writeNumbersState();
}

bool TDrawJournal::decline(const QString& journalFile)
{
    return updateState(journalFile, {{declinedKey, trueText}});
}

void TDrawJournal::startNumbers(const QDateTime& started)
{
    // The draw before it is off the screen: it is never offered again.
    if (m_numbers.claimed)
        decline(m_numbers.path);
    m_numbers = AppendedFile();
    m_numbers.stem = QStringLiteral("Sayilar-") + started.toString(timeFormat);
    m_numbers.path = freeName(m_numbers.stem, 1);
    m_numbersStarted = started;
    m_numbersFirst = m_numbersLast = 0;
    m_numbersRequested = 0;
    m_numbersFinished = m_numbersSaved = false;
}

void TDrawJournal::planNumbers(qint64 first, qint64 last, int requested)
{
    m_numbersFirst = first;
    m_numbersLast = last;
    m_numbersRequested = requested;
}

void TDrawJournal::numbersFinished()
{
    m_numbersFinished = true;
    writeNumbersState();
}

void TDrawJournal::numbersSaved()
{
    m_numbersSaved = true;
    writeNumbersState();
}

bool TDrawJournal::appendNumbers(const QByteArray& lines)
{
    if (m_numbers.stem.isEmpty())
        startNumbers();
    const bool claimed = m_numbers.claimed;
    m_numbers.pending += lines;
    if (flush(m_numbers))
    {
        if (!claimed)
            writeNumbersState();
        return true;
    }
    if (!m_numbersTold)
    {
        m_numbersTold = true;
        m_notice = numbersFailedText(m_numbers.path);
    }
    return false;
}

bool TDrawJournal::saveNumbers(const QByteArray& list, const QDateTime& started)
{
    startNumbers(started);
    return appendNumbers(list);
}

QString TDrawJournal::takeNotice()
{
    return std::exchange(m_notice, QString());
}

QString TDrawJournal::winnersFailedText(const QString& path)
{
    return QStringLiteral("Kazananlar çekiliş kayıt dosyasına (\"%1\") yazılamadı. Çekiliş sürüyor; kazanan listesini "
                          "\"Kaydet\" ile kaydetmeyi unutmayınız. Bu uyarı bu çalışmada bir daha gösterilmeyecek.")
        .arg(QDir::toNativeSeparators(path));
}

QString TDrawJournal::numbersFailedText(const QString& path)
{
    return QStringLiteral("Çekiliş sonuçları kayıt dosyasına (\"%1\") yazılamadı. Sonuçları \"Çekiliş Sonuçlarını "
                          "Kaydet\" ile kaydetmeyi unutmayınız. Bu uyarı bu çalışmada bir daha gösterilmeyecek.")
        .arg(QDir::toNativeSeparators(path));
}
