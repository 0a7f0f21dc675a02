#include "ApplicationSetUp.h"
#include "MainU.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    TMainF window;
    window.show();
    return app.exec();
}
