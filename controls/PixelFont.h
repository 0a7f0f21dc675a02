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
