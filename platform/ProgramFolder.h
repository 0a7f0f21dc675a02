#pragma once

#include <QString>

// The program folder: the folder of the executable, with a trailing '/'. Every data file is
// this folder plus its bare name; the current directory is never used. A folder whose name the
// locale cannot decode is still the folder: it is then reached as "/proc/self/fd/<n>/".
QString programFolder();
// "Data/" below the program folder: the first folder the winners-list save dialog shows.
QString dataFolder();
// Points the program folder somewhere else (tests use a temporary folder); an empty path
// restores the executable's folder.
void setProgramFolder(const QString& folder);
