#pragma once

#include <QColor>
#include <QtGlobal>

// Colours as the form descriptions store them: 0x00BBGGRR for an explicit colour, or
// 0xFF0000nn for the system colour with index nn.
using TColor = quint32;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clGrayText = 0xFF000011;
inline constexpr TColor clBtnText = 0xFF000012;
inline constexpr TColor clBtnHighlight = 0xFF000014;

// Converts a stored colour to QColor. System colours resolve to fixed classic values
// (clBtnFace #F0F0F0, clBtnHighlight white, clBtnShadow #A0A0A0, clGrayText #6D6D6D, ...)
// rather than to the desktop theme, so a button looks the same on every machine and pixel
// tests can rely on the values. An unknown system index gives black.
QColor TColorToQColor(TColor value);

// The inverse for explicit colours (system colours are not recovered).
TColor QColorToTColor(const QColor& color);
