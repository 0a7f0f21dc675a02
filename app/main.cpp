#include "ApplicationSetUp.h"
#include "MainU.h"
#include "ProgramFolder.h"
#include "ProgramFolderLock.h"
#include "SpreadsheetIsolation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The program reads no command line; only a workbook decoder it started itself is told apart.
    if (const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(argc, argv))
        return *decoded;
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
