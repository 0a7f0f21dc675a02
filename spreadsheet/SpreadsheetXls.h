#pragma once

#include <QByteArray>
#include <QString>

class SpreadsheetSheet;

// Reads the first worksheet of a BIFF (.xls) workbook through freexl into `sheet`; `content` is
// the file's bytes, checked before freexl sees the file. Throws ESpreadsheetError when the
// compound document is damaged, a sheet announces more than maxCells cells, freexl refuses the
// file or the workbook is password-protected.
void spreadsheetReadXls(const QString& fileName, const QByteArray& content, qint64 maxCells, SpreadsheetSheet& sheet);
