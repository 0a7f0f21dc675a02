#pragma once

#include "SpreadsheetReader.h"

#include <QByteArray>
#include <utility>
#include <vector>

// Markup rewrites that let liborcus read what it would otherwise lose. They work on the bytes
// of a part, tag by tag, without building a tree, and keep everything they do not touch as it is.

// The .ods package again with its content part made readable; empty when nothing had to change.
// `rowCopies` gets the rows of the selected sheet to copy after the parse (row, copies below it).
// Throws ESpreadsheetError when the content announces more than `limits` allow.
QByteArray odsNormalised(const QByteArray& content, const SpreadsheetLimits& limits,
                         const SpreadsheetSelection& selection, std::vector<std::pair<int, qint64>>& rowCopies);
