#include "SpreadsheetIsolation.h"

#include "SpreadsheetSheet.h"

#include <QElapsedTimer>
#include <QtGlobal>
#include <algorithm>
#include <string>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
std::function<void()>& childHook()
{
    static std::function<void()> hook;
    return hook;
}

std::unique_ptr<SpreadsheetSheet> newSheet(const SpreadsheetLimits& limits)
{
    return std::make_unique<SpreadsheetSheet>(limits.maxKeptTextBytes, limits.maxRows);
}

// The child's answer: status byte 0 and the sheet, or status byte 1 and an error message.
void putU32(QByteArray& out, quint32 v)
{
    const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}

QByteArray encodeSheet(const SpreadsheetSheet& sheet)
{
    QByteArray out;
    out.append('\0');
    putU32(out, quint32(sheet.firstUsedRow()));
    putU32(out, quint32(sheet.lastUsedRow()));
    const int rows = sheet.lastUsedRow() + 1;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < 2; ++col)
        {
            const QByteArray text = sheet.cellText(row, col).toUtf8();
            putU32(out, quint32(text.size()));
            out += text;
        }
    return out;
}

QByteArray encodeError(const char* message)
{
    QByteArray out;
    out.append('\1');
    out += message;
    return out;
}

class Decoder
{
public:
    explicit Decoder(const QByteArray& data) : m_data(data) {}
    quint32 u32()
    {
        need(4);
        const auto* p = reinterpret_cast<const unsigned char*>(m_data.constData() + m_pos);
        m_pos += 4;
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }
    std::string_view bytes(quint32 length)
    {
        need(length);
        const std::string_view view(m_data.constData() + m_pos, length);
        m_pos += length;
        return view;
    }

private:
    void need(qint64 count) const
    {
        if (count > m_data.size() - m_pos)
            throw ESpreadsheetError("workbook reader answered incompletely");
    }
    const QByteArray& m_data;
    qint64 m_pos = 1;
};

std::unique_ptr<SpreadsheetSheet> decodeAnswer(const QByteArray& answer, const SpreadsheetLimits& limits)
{
    if (answer.isEmpty())
        throw ESpreadsheetError("workbook reader gave no answer");
    if (answer[0] != '\0')
        throw ESpreadsheetError(answer.mid(1).toStdString());
    Decoder in(answer);
    auto sheet = newSheet(limits);
    const auto first = qint32(in.u32());
    const auto last = qint32(in.u32());
    if (last >= limits.maxRows || first > last)
        throw ESpreadsheetError("workbook reader answered with a bad used range");
    for (qint32 row = 0; row <= last; ++row)
        for (int col = 0; col < 2; ++col)
        {
            const std::string_view text = in.bytes(in.u32());
            if (!text.empty())
                sheet->setText(row, col, text);
        }
    if (first >= 0)
    {
        sheet->noteUsedRow(first);
        sheet->noteUsedRow(last);
    }
    return sheet;
}

QByteArray parseToAnswer(const std::function<void(SpreadsheetSheet&)>& parse, const SpreadsheetLimits& limits)
{
    try
    {
        auto sheet = newSheet(limits);
        parse(*sheet);
        return encodeSheet(*sheet);
    }
    catch (const std::exception& e)
    {
        return encodeError(e.what());
    }
    catch (...)
    {
        return encodeError("workbook could not be read");
    }
}

#ifdef Q_OS_UNIX
void writeAll(int fd, const QByteArray& data)
{
    qint64 done = 0;
    while (done < data.size())
    {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

[[noreturn]] void runChild(int fd, const std::function<void(SpreadsheetSheet&)>& parse, const SpreadsheetLimits& limits)
{
    // Handlers inherited from the program (crash reporters) must not run for the child.
    for (const int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(sig, SIG_DFL);
    if (childHook())
        childHook()();
    writeAll(fd, parseToAnswer(parse, limits));
    // No destructors, no atexit handlers: they belong to the parent's program.
    ::_exit(0);
}

// Reads the child's answer until it closes its end, within the time limit.
QByteArray readAnswer(int fd, pid_t child, const SpreadsheetLimits& limits)
{
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    for (;;)
    {
        const qint64 left = limits.parseTimeoutMs - clock.elapsed();
        if (left <= 0)
        {
            ::kill(child, SIGKILL);
            throw ESpreadsheetError("workbook reader took longer than " + std::to_string(limits.parseTimeoutMs) +
                                    " ms");
        }
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(std::min<qint64>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            throw ESpreadsheetError("workbook reader could not be heard");
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return answer;
        answer.append(buffer, qsizetype(n));
        // The answer holds at most the kept text plus eight bytes of lengths per kept row.
        if (answer.size() > limits.maxKeptTextBytes + 8LL * limits.maxRows + 64)
        {
            ::kill(child, SIGKILL);
            throw ESpreadsheetError("workbook reader answered beyond the limits");
        }
    }
}

class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess()
    {
        if (m_readEnd >= 0)
            ::close(m_readEnd);
        // Still there on an error path: it is not waited for any longer.
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
            {}
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t m_pid = -1;
    int m_readEnd = -1;

    // Waits for the child and returns how it ended: empty when it exited normally.
    std::string reap()
    {
        int status = 0;
        pid_t got = -1;
        while ((got = ::waitpid(m_pid, &status, 0)) < 0 && errno == EINTR)
        {}
        m_pid = -1;
        if (got < 0)
            return "workbook reader vanished";
        if (WIFSIGNALED(status))
            return "workbook reader crashed on this file (signal " + std::to_string(WTERMSIG(status)) + ")";
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return "workbook reader failed on this file";
        return {};
    }
};
#endif
} // namespace

void setSpreadsheetChildHook(std::function<void()> hook)
{
    childHook() = std::move(hook);
}

std::unique_ptr<SpreadsheetSheet> spreadsheetParseIsolated(const std::function<void(SpreadsheetSheet&)>& parse,
                                                           const SpreadsheetLimits& limits)
{
#ifdef Q_OS_UNIX
    if (limits.isolate)
    {
        int fds[2];
        if (::pipe(fds) == 0)
        {
            ChildProcess child;
            child.m_pid = ::fork();
            if (child.m_pid == 0)
            {
                ::close(fds[0]);
                runChild(fds[1], parse, limits);
            }
            ::close(fds[1]);
            child.m_readEnd = fds[0];
            if (child.m_pid > 0)
            {
                const QByteArray answer = readAnswer(fds[0], child.m_pid, limits);
                const std::string ending = child.reap();
                if (!ending.empty())
                    throw ESpreadsheetError(ending);
                return decodeAnswer(answer, limits);
            }
            // No process to spare: decoding here is still better than refusing the file.
        }
    }
#endif
    return decodeAnswer(parseToAnswer(parse, limits), limits);
}
