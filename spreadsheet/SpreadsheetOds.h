#pragma once

#include <QByteArray>

class SpreadsheetSheet;
struct SpreadsheetLimits;

// Reads the selected sheet of an OpenDocument spreadsheet held in memory into `sheet`: its content
// part goes once through liborcus's XML parser with a handler that keeps the selected sheet's
// cells as they are shown (paragraphs joined by line breaks, repeated cells and rows copied) and
// lists every sheet's name. Throws ESpreadsheetError when the package holds no readable content,
// its markup is damaged, or its repeats announce more than `limits` allow.
void spreadsheetReadOds(const QByteArray& content, SpreadsheetSheet& sheet, const SpreadsheetLimits& limits);
