#pragma once

#include "SpreadsheetReader.h"

class SpreadsheetSheet;

// Streams an .ods or .csv workbook held in memory through liborcus and keeps what
// `sheet` wants of its first worksheet. Throws ESpreadsheetError when the workbook cannot be read
// or announces more rows or repeated cells than `limits` allow.
void spreadsheetReadWithOrcus(SpreadsheetFormat format, const QByteArray& content, SpreadsheetSheet& sheet,
                              const SpreadsheetLimits& limits);
