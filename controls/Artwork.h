#pragma once

#include <QPixmap>
#include <QString>

// The program's picture `name` (":/cekilis/<name>.png") for a screen of the given device-pixel
// ratio. At 1 or below it is the design-size picture itself; above, the twice-size rendering
// "<name>@2x.png", smoothly scaled to the ratio when that lies between 1 and 2. Its
// device-independent size is the design size at every ratio, so layouts do not change.
QPixmap artwork(const QString& name, qreal ratio);

// The size a picture covers on screen, in device-independent pixels.
inline QSize logicalSize(const QPixmap& picture)
{
    return picture.deviceIndependentSize().toSize();
}
