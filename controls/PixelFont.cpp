#include "PixelFont.h"

#include <QApplication>

void useProgramFonts()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont font = QApplication::font();
    if (font.family() == QLatin1String("MS Sans Serif"))
        return;
    font.setFamily(QStringLiteral("MS Sans Serif"));
    QApplication::setFont(font);
}
