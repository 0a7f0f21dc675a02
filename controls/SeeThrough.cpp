#include "SeeThrough.h"

QRgb seeThroughKey(const QImage& picture)
{
    return picture.isNull() ? 0 : picture.pixel(0, picture.height() - 1);
}

QImage keyedOut(const QImage& picture)
{
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = seeThroughKey(argb);
    for (int y = 0; y < argb.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
        {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return argb;
}
