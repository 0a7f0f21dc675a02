#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A memory figure of this process from /proc/self/status, in KiB: "VmRSS:" for what it holds
// now, "VmHWM:" for the most it has held. -1 where the file or the line is missing.
inline long procStatusKiB(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}
