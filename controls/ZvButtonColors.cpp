#include "ZvButtonColors.h"

#include <iterator>

namespace {

// Classic values of the Windows system colour table, by index.
constexpr QRgb kSystemColors[] = {
    qRgb(0xC8, 0xC8, 0xC8), // 0 scroll bar
    qRgb(0x00, 0x00, 0x00), // 1 background
    qRgb(0x99, 0xB4, 0xD1), // 2 active caption
    qRgb(0xBF, 0xCD, 0xDB), // 3 inactive caption
    qRgb(0xF0, 0xF0, 0xF0), // 4 menu
    qRgb(0xFF, 0xFF, 0xFF), // 5 window
    qRgb(0x64, 0x64, 0x64), // 6 window frame
    qRgb(0x00, 0x00, 0x00), // 7 menu text
    qRgb(0x00, 0x00, 0x00), // 8 window text
    qRgb(0x00, 0x00, 0x00), // 9 caption text
    qRgb(0xB4, 0xB4, 0xB4), // 10 active border
    qRgb(0xF4, 0xF7, 0xFC), // 11 inactive border
    qRgb(0xAB, 0xAB, 0xAB), // 12 application workspace
    qRgb(0x33, 0x99, 0xFF), // 13 highlight
    qRgb(0xFF, 0xFF, 0xFF), // 14 highlight text
    qRgb(0xF0, 0xF0, 0xF0), // 15 button face
    qRgb(0xA0, 0xA0, 0xA0), // 16 button shadow
    qRgb(0x6D, 0x6D, 0x6D), // 17 grey text
    qRgb(0x00, 0x00, 0x00), // 18 button text
    qRgb(0x43, 0x4E, 0x54), // 19 inactive caption text
    qRgb(0xFF, 0xFF, 0xFF), // 20 button highlight
    qRgb(0x69, 0x69, 0x69), // 21 3D dark shadow
    qRgb(0xE3, 0xE3, 0xE3), // 22 3D light
    qRgb(0x00, 0x00, 0x00), // 23 info text
    qRgb(0xFF, 0xFF, 0xE1), // 24 info background
};

QRgb systemColor(quint32 index)
{
    return index < std::size(kSystemColors) ? kSystemColors[index] : qRgb(0, 0, 0);
}

} // namespace

QColor TColorToQColor(TColor value)
{
    if ((value & 0xFF000000u) == 0xFF000000u)
        return QColor(systemColor(value & 0x00FFFFFFu));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TColor QColorToTColor(const QColor& color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}
