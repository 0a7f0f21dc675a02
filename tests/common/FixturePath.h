#pragma once

#include <QString>

// A file under tests/fixtures, named by its path below that folder ("sheets/names_ab.ods").
inline QString fixturePath(const QString& relative)
{
    return QStringLiteral(FIXTURES_DIR "/") + relative;
}

inline QString fixturePath(const char* relative)
{
    return fixturePath(QString::fromUtf8(relative));
}
