#pragma once

#include <QColor>
#include <QPainter>
#include <QPixmap>

// A ball picture for the tests: a filled circle on white, 32 x 32 logical pixels, drawn at the
// given device-pixel ratio.
inline QPixmap sphere(const QColor& colour, int ratio = 1)
{
    QPixmap picture(32 * ratio, 32 * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(2, 2, 28, 28);
    return picture;
}
