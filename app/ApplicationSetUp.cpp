#include "ApplicationSetUp.h"

#include "MessageBoxes.h"
#include "ProgramTranslation.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <algorithm>
#include <iterator>

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(programTitle());
    QApplication::setDesktopFileName(QStringLiteral("cekilis"));

    // Qt's own translations folder; the Windows build carries the file in "translations" beside
    // the program instead.
    auto* qtTurkish = new QTranslator(&app);
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QApplication::applicationDirPath() + QStringLiteral("/translations")};
    if (std::any_of(std::begin(folders), std::end(folders), [&](const QString& folder) {
            return qtTurkish->load(turkish, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
        }))
        QApplication::installTranslator(qtTurkish);
    else
        delete qtTurkish;
    installProgramTranslation();
    installMessageBoxes();
}
