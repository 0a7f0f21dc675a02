#include "Ayar1U.h"
#include "MainU.h"
#include "MessageBoxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEVORINT Çekiliş Programı"));
    QApplication::setDesktopFileName(QStringLiteral("cekilis"));

    // The standard buttons of the message and file boxes read "Evet", "Hayır", "İptal".
    QTranslator qtTurkish;
    if (qtTurkish.load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTurkish);
    installMessageBoxes();
    installDefinitionsWindow();

    TMainF window;
    window.show();
    return app.exec();
}
