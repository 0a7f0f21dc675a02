#pragma once

#include <QString>

class SpreadsheetSheet;

// Reads the first worksheet of a BIFF (.xls) workbook through freexl into `sheet`. Throws
// ESpreadsheetError when freexl refuses the file or the workbook is password-protected.
void spreadsheetReadXls(const QString& fileName, SpreadsheetSheet& sheet);
