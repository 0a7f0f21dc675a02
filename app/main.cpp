#include "MessageBoxes.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEVORINT Çekiliş Programı"));
    installMessageBoxes();
    // The main window is not built yet; this placeholder keeps scripts/run working.
    QLabel label(QStringLiteral("ZEVORINT Çekiliş Programı"));
    label.resize(700, 595);
    label.show();
    return app.exec();
}
