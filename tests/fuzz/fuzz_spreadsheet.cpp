// libFuzzer target for the spreadsheet reader: any bytes must either read as a workbook or be
// refused with ESpreadsheetError; everything else (a crash, a sanitizer report, another
// exception, a hang) is a finding. Built and run by run_fuzz.sh, not by CMake.
#include "SpreadsheetReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {
// freexl reads only from a path, so every input goes through one scratch file.
const QString& scratchPath()
{
    static const QString path = [] {
        const QByteArray dir = qgetenv("FUZZ_SCRATCH_DIR");
        return QString::fromLocal8Bit(dir.isEmpty() ? QByteArray("/tmp") : dir) +
               QStringLiteral("/fuzz_spreadsheet_%1.bin").arg(getpid());
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        QFile file(scratchPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    SpreadsheetReader reader;
    // Decoding in-process: a child process would hide both the coverage and the faults.
    SpreadsheetLimits limits;
    limits.isolate = false;
    reader.setLimits(limits);
    try
    {
        reader.open(scratchPath());
        const int last = reader.firstUsedRow() + reader.usedRowCount() - 1;
        std::size_t letters = 0;
        for (int row = 1; row <= last; ++row)
            letters += static_cast<std::size_t>(reader.cellText(row, 1).size() + reader.cellText(row, 2).size());
        (void)letters;
    }
    catch (const ESpreadsheetError&)
    {}
    return 0;
}
