#pragma once

#include <QByteArray>
#include <QString>

// A path as a C library that opens files with fopen() takes it (freexl does). On Linux that is
// the file-name encoding. On Windows fopen() reads the ANSI code page, which lacks most letters
// of other scripts: when the path cannot be written in it, its short (8.3) form, which the
// system gives in ASCII, is used instead where the volume keeps short names.
QByteArray pathForCLibrary(const QString& path);
