#pragma once

#include "RxMemoryData.h"

#include <QString>
#include <limits>

// Table files: a bare sequence of record images in table order, nothing before, between or
// after them.

// Settles a pending edit first (a refusal throws EAbort and leaves the file as it was), then
// writes every record through a temporary file renamed over the old one (TSaveFile). The
// cursor is left at the end. A table whose file could not be loaded and that was not changed
// since is not written (false): the file keeps what could not be read. Throws EFileError when
// the file cannot be written; the old file then stays as it was.
bool RxMemoryDataSaveToFile(TRxMemoryData& table, const QString& path);

// Replaces the table's records by those of the file, each appended and posted through the
// table's rules. A trailing piece shorter than a record becomes one more record whose missing
// bytes are zero. A record refused by a rule is dropped and the load goes on with the next
// one; returns how many were refused (the rule's notice is shown for the first only). A file that cannot be read
// (missing, not a regular file, also through a link, a read error, more than maxRecords records, too large for
// the memory) throws EFileError and marks the table loadFailed().
int RxMemoryDataLoadFromFile(TRxMemoryData& table, const QString& path,
                             int maxRecords = std::numeric_limits<int>::max());

// The most records each table file may hold to be read at start-up: well above what the program
// writes (participants imported from a few full worksheets of 1,048,576 rows; prizes and excluded
// ranges typed one by one), so a file found there cannot take the memory of the evening.
constexpr int MaxParticipantRecords = 4 * 1048576;
constexpr int MaxPrizeRecords = 100000;
constexpr int MaxRangeRecords = 100000;

// A table file that could not be read is never written over or removed before it is kept
// aside: the first save of its table after the failed load first moves it (or, where the folder
// refuses that, copies it) to "<file>.okunamayan-<time of the failed load>". The name is chosen
// when the load fails, so the start-up notice can say it; empty for a file that was read.
QString UnreadableFileAsideName(const QString& path);
// Keeps the file aside now when it is such a file (a caller about to remove it); throws EFileError
// when it can be neither moved nor copied, so nothing is written over it.
void KeepUnreadableFileAside(const QString& path);

// The notice shown at start-up for a table file of which more than one record was refused.
QString RecordsSkippedText(const QString& path, int skipped);
// The notice shown at start-up for a table file that could not be read, saying where it will go.
QString LoadFailedText(const QString& path);
