#include "Artwork.h"

QPixmap artwork(const QString& name, qreal ratio)
{
    const QString base = QStringLiteral(":/cekilis/") + name;
    if (ratio <= 1.0)
        return QPixmap(base + QStringLiteral(".png"));
    QPixmap twice(base + QStringLiteral("@2x.png"));
    if (twice.isNull())
        return QPixmap(base + QStringLiteral(".png"));
    if (ratio >= 2.0)
    {
        twice.setDevicePixelRatio(2.0);
        return twice;
    }
    const QSize scaled(qRound(twice.width() * ratio / 2.0), qRound(twice.height() * ratio / 2.0));
    QPixmap picture = twice.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(ratio);
    return picture;
}
