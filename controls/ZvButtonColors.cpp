#include "ZvButtonColors.h"

namespace {

// Classic values of the Windows system colour table, by index.
QRgb systemColor(quint32 index)
{
    switch (index)
    {
    case 0: // scroll bar
        return qRgb(0xC8, 0xC8, 0xC8);
    case 1: // background
        return qRgb(0x00, 0x00, 0x00);
    case 2: // active caption
        return qRgb(0x99, 0xB4, 0xD1);
    case 3: // inactive caption
        return qRgb(0xBF, 0xCD, 0xDB);
    case 4: // menu
        return qRgb(0xF0, 0xF0, 0xF0);
    case 5: // window
        return qRgb(0xFF, 0xFF, 0xFF);
    case 6: // window frame
        return qRgb(0x64, 0x64, 0x64);
    case 7: // menu text
    case 8: // window text
    case 9: // caption text
        return qRgb(0x00, 0x00, 0x00);
    case 10: // active border
        return qRgb(0xB4, 0xB4, 0xB4);
    case 11: // inactive border
        return qRgb(0xF4, 0xF7, 0xFC);
    case 12: // application workspace
        return qRgb(0xAB, 0xAB, 0xAB);
    case 13: // highlight
        return qRgb(0x33, 0x99, 0xFF);
    case 14: // highlight text
        return qRgb(0xFF, 0xFF, 0xFF);
    case 15: // button face
        return qRgb(0xF0, 0xF0, 0xF0);
    case 16: // button shadow
        return qRgb(0xA0, 0xA0, 0xA0);
    case 17: // grey text
        return qRgb(0x6D, 0x6D, 0x6D);
    case 18: // button text
        return qRgb(0x00, 0x00, 0x00);
    case 19: // inactive caption text
        return qRgb(0x43, 0x4E, 0x54);
    case 20: // button highlight
        return qRgb(0xFF, 0xFF, 0xFF);
    case 21: // 3D dark shadow
        return qRgb(0x69, 0x69, 0x69);
    case 22: // 3D light
        return qRgb(0xE3, 0xE3, 0xE3);
    case 23: // info text
        return qRgb(0x00, 0x00, 0x00);
    case 24: // info background
        return qRgb(0xFF, 0xFF, 0xE1);
    default:
        return qRgb(0, 0, 0);
    }
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
