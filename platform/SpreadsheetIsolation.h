#pragma once

#include "SpreadsheetReader.h"

#include <functional>
#include <memory>

class SpreadsheetSheet;

// Runs `parse` on a fresh sheet in a child process and rebuilds the sheet it produced (columns
// A and B as text, the used range) in this one. The libraries that decode workbooks read past
// their buffers on some damaged files and may then abort; in a child process that costs a
// refused file instead of the program. Where processes cannot be forked, `parse` runs here.
// Throws ESpreadsheetError with the child's error, or when the child dies or exceeds
// limits.parseTimeoutMs.
std::unique_ptr<SpreadsheetSheet> spreadsheetParseIsolated(const std::function<void(SpreadsheetSheet&)>& parse,
                                                           const SpreadsheetLimits& limits);

// Test seam: runs in the child just before parsing (to make it crash or hang on purpose).
void setSpreadsheetChildHook(std::function<void()> hook);
