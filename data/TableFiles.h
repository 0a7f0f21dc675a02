#pragma once

#include "RxMemoryData.h"

#include <QString>

// Table files: a bare sequence of record images in table order, nothing before, between or
// after them.

// Settles a pending edit first (a refusal throws EAbort and leaves the file as it was), then
// writes every record through a temporary file renamed over the old one. The cursor is left
// at the end. Throws EFileError when the file cannot be written.
void RxMemoryDataSaveToFile(TRxMemoryData& table, const QString& path);

// Replaces the table's records by those of the file, each appended and posted through the
// table's rules. A trailing piece shorter than a record becomes one more record whose missing
// bytes are zero. A record refused by a rule is cancelled and the EAbort re-thrown; the records
// before it stay. Throws EFileError (table untouched) when the file cannot be opened.
void RxMemoryDataLoadFromFile(TRxMemoryData& table, const QString& path);
