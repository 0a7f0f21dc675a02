#pragma once

#include <QImage>

// A picture without an alpha channel marks its see-through colour by its bottom-left pixel.

// That pixel as stored, alpha included; 0 for an empty picture.
QRgb seeThroughKey(const QImage& picture);
// The picture as ARGB32 with every pixel equal to its key made fully transparent.
QImage keyedOut(const QImage& picture);
