#pragma once

#include <QFont>
#include <QString>

// A font sized in pixels, as the forms give their heights: the same size on every screen
// resolution, unlike a point size.
inline QFont pixelFont(const QString& family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Maps the Windows faces the forms ask for by name ("MS Sans Serif", "Arial") to the
// metric-compatible face installed here, and gives the application font the forms' family, so
// windows that set no font of their own look like the main window. Called before any window.
void useProgramFonts();
