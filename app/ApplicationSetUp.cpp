#include "ApplicationSetUp.h"

#include "MessageBoxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("ZEVORINT Çekiliş Programı"));
    QApplication::setDesktopFileName(QStringLiteral("cekilis"));

    auto* qtTurkish = new QTranslator(&app);
    if (qtTurkish->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTurkish);
    else
        delete qtTurkish;
    installMessageBoxes();
}
