#pragma once

#include "RxMemoryData.h"
#include "TableFiles.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <algorithm>

// The whole content of a file; `whenMissing` when it cannot be opened, so a test can tell
// an absent file from an empty one where that matters.
inline QByteArray readAll(const QString& path, const QByteArray& whenMissing = QByteArray())
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : whenMissing;
}

// Replaces a file's content; fails the running test when it cannot.
inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A table file of two text fields, written as the program writes it. A cell missing from a
// row is never assigned, so it stays null, which is not the same bytes as an empty text.
inline void writeTableFile(const QString& path, const QString& first, int firstSize, const QString& second,
                           int secondSize, const QList<QStringList>& rows)
{
    TRxMemoryData table;
    table.addStringField(first, firstSize);
    table.addStringField(second, secondSize);
    table.open();
    for (const QStringList& row : rows)
    {
        table.append();
        for (int f = 0; f < std::min<int>(2, row.size()); ++f)
            table.setFieldString(f, row[f]);
        table.post();
    }
    RxMemoryDataSaveToFile(table, path);
}
