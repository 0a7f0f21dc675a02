#include "ApplicationSetUp.h"
#include "MainU.h"
#include "SpreadsheetIsolation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The program reads no command line; only a workbook decoder it started itself is told apart.
    if (const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(argc, argv))
        return *decoded;
    QApplication app(argc, argv);
    setUpApplication(app);
    TMainF window;
    window.show();
    return app.exec();
}
