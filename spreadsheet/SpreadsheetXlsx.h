#pragma once

#include <QByteArray>

class SpreadsheetSheet;

// Reads the first worksheet of an .xlsx package held in memory into `sheet`: the workbook's list
// of sheets and its relationships lead to that worksheet, its shared strings and its number
// formats, and each of those parts goes once through liborcus's XML parser with a handler that
// keeps only what the import takes. Every cell holds its own last result, so formulas (array
// formulas included) need no evaluation. Throws ESpreadsheetError when the package holds no
// readable worksheet.
void spreadsheetReadXlsx(const QByteArray& content, SpreadsheetSheet& sheet);
