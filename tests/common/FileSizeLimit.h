#pragma once

#include "DataErrors.h"
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// While it lives, no file of this process can grow past `bytes`: a write beyond fails the way a
// full disk fails it, part of it written. This works for root too, where a read-only file does
// not. Only where the system has such a limit (available() tells).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
#ifdef Q_OS_UNIX
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(bytes);
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
        Q_UNUSED(bytes)
#endif
    }
    ~FileSizeLimit()
    {
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_signal);
#endif
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool available() const
    {
        return m_set;
    }

private:
    bool m_set = false;
#ifdef Q_OS_UNIX
    rlimit m_previous{};
    void (*m_signal)(int) = nullptr;
#endif
};

// Whether the atomic save notices a write that such a limit cuts short, as it must to keep the
// old file; a save layer that does not yet gets its callers' disk-full cases skipped, not failed.
inline bool atomicSaveNoticesACutWrite(const QString& folder)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("cut-write-probe"));
    bool noticed = false;
    {
        FileSizeLimit limit(4);
        if (!limit.available())
            return false;
        try
        {
            SaveFileAtomically(probe, QByteArray(64, 'x'));
        }
        catch (const EFileError&)
        {
            noticed = true;
        }
    }
    QFile::remove(probe);
    return noticed;
}
