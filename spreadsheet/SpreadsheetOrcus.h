#pragma once

#include "SpreadsheetReader.h"

class SpreadsheetSheet;

// Reads a text file (.csv, already in UTF-8) held in memory through liborcus's CSV parser and
// keeps what `sheet` wants of it. Throws ESpreadsheetError for any other format, or when the file
// cannot be read or has more rows than a worksheet holds.
void spreadsheetReadWithOrcus(SpreadsheetFormat format, const QByteArray& content, SpreadsheetSheet& sheet,
                              const SpreadsheetLimits& limits);
