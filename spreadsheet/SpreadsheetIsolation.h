#pragma once

#include "SpreadsheetReader.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class SpreadsheetSheet;

// One workbook to decode: its kind, its name (freexl reads .xls files only from a path), and
// either its bytes or, when it is left for the decoder to read from the file, the file's size
// as the kind was told from it (the decoder then checks the bytes it reads the same way).
struct SpreadsheetDecodeRequest
{
    SpreadsheetFormat format = SpreadsheetFormat::Unknown;
    QString fileName;
    QByteArray content;
    qint64 fileSize = -1; // unknown: the size of `content`
    SpreadsheetSelection selection;
};

// Decodes `request` into a sheet (columns A and B as text, the used range). The libraries that
// decode workbooks read past their buffers on some damaged files and may then abort, so with
// limits.isolate the work is done by a fresh child process (spreadsheetDecoderProgram()), whose
// crash costs a refused file instead of the program; where no child can be started, the request
// is refused with ESpreadsheetDecoderMissing (only limits.isolate false decodes here, for the fuzz
// target and tests). `whileWaiting`, when given, runs about every 50 ms while the child works, so that a
// window can repaint. Throws ESpreadsheetError with the decoder's error, or when the child dies,
// answers beyond the limits or runs longer than limits.parseTimeoutMs.
std::unique_ptr<SpreadsheetSheet> spreadsheetDecodeIsolated(SpreadsheetDecodeRequest request,
                                                            const SpreadsheetLimits& limits,
                                                            const std::function<void()>& whileWaiting = {});

// The entry of the decoding child, called first thing in main() by every executable that may
// decode in a child (the program; tests and benchmarks that read workbooks). When the process
// was started as such a child - one argument only the parent passes, and the per-start token
// it puts into the environment - it reads the request from standard input, answers on standard
// output and returns the exit status; `beforeDecoding` runs just before (a test seam that makes
// the child crash or hang). Otherwise it returns nothing, reads nothing else of the command line,
// and marks this executable as the decoder to start.
std::optional<int> runSpreadsheetDecoderIfAsked(int argc, char** argv,
                                                const std::function<void()>& beforeDecoding = {});

// The executable started as the decoding child: set by runSpreadsheetDecoderIfAsked(), empty
// when nothing was set (then nothing can be decoded).
void setSpreadsheetDecoderProgram(const QString& path);
QString spreadsheetDecoderProgram();
