#pragma once

#include <QByteArray>

class SpreadsheetSheet;

// Whether the bytes are a worksheet of Excel 2.1, 3.0 or 4.0: a plain stream of BIFF2-BIFF4
// records starting with its BOF record, not a compound document as later versions write.
bool spreadsheetLooksLikeOldBiff(const QByteArray& content);

// Reads the first worksheet of such a file (an Excel 4.0 workbook holds several) into `sheet`:
// texts, numbers, dates, truth values, error values and the cached results of formulas.
// Throws ESpreadsheetError when the stream holds no worksheet.
void spreadsheetReadOldBiff(const QByteArray& content, SpreadsheetSheet& sheet);

// What freexl does not deliver of columns A and B of the first worksheet of a BIFF5/BIFF8
// workbook stream: error values (#DIV/0!, #N/A, ...), of cells and formulas alike, and the text
// results of formulas. Written over what freexl read for those cells.
void spreadsheetReadXlsMissedCells(const QByteArray& workbookStream, SpreadsheetSheet& sheet);
