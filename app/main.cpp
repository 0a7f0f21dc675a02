#include "ApplicationSetUp.h"
#include "EveningRecord.h"
#include "MainU.h"
#include "ProgramFolder.h"
#include "ProgramFolderLock.h"
#include "SpreadsheetIsolation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The program reads no other command line; a workbook decoder it started itself is told apart.
    if (const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(argc, argv))
        return *decoded;
    // "--tutanak JOURNAL OUT.pdf" writes an evening's record and ends, without a window.
    if (const std::optional<int> written = runRecordCommandIfAsked(argc, argv))
        return *written;
    QApplication app(argc, argv);
    setUpApplication(app);
    // Held until the program ends; a second copy started in the same folder says so and ends.
    TProgramFolderLock lock(programFolder());
    if (!claimProgramFolder(lock))
        return 0;
    TMainF window;
    window.show();
    return app.exec();
}
