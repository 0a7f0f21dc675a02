#include "ButtonPaint.h"

#include "ImageList.h"
#include "SeeThrough.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>

namespace ButtonPaint {

FaceLayout faceLayout(QSize button, QSize text, QSize picture, PicturePosition::TPicPos align, int a, bool withPicture,
                      bool withCaption)
{
    const int W = button.width(), H = button.height();
    const int tw = text.width(), th = text.height();
    const int IW = picture.width(), IH = picture.height();
    FaceLayout l;
    if (!withPicture)
    {
        l.caption = QPoint(W / 2 - tw / 2 + a, H / 2 - th / 2 + a);
        return l;
    }
    if (!withCaption)
    {
        l.picture = QPoint((W - IW) / 2 + a, (H - IH) / 2 + a);
        l.caption = QPoint(W / 2 - tw / 2 + a, H / 2 - th / 2 + a);
        return l;
    }
    switch (align)
    {
    case PicturePosition::poLeft:
        l.caption = QPoint(W / 2 + (IW - tw) / 2 + 4 + a, H / 2 - th / 2 + a);
        l.picture = QPoint(W / 2 - (IW + tw) / 2 - 1 + a, H / 2 - IH / 2 + a);
        break;
    case PicturePosition::poRight: {
        const int L = W / 2 - (IW + tw) / 2 - 1;
        l.caption = QPoint(L + a, H / 2 - th / 2 + a);
        l.picture = QPoint(L + tw + 5 + a, H / 2 - IH / 2 + a);
        break;
    }
    case PicturePosition::poTop: {
        const int T = H / 2 - (IH + th) / 2 - 2;
        l.caption = QPoint(W / 2 - tw / 2 + a, T + IH + 3 + a);
        l.picture = QPoint(W / 2 - IW / 2 + a, T + a);
        break;
    }
    case PicturePosition::poBottom: {
        const int B = H / 2 - (IH + th) / 2 - 1;
        l.caption = QPoint(W / 2 - tw / 2 + a, B + a);
        l.picture = QPoint(W / 2 - IW / 2 + a, B + th + a);
        break;
    }
    }
    return l;
}

void fillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color)
{
    if (right > left && bottom > top)
        p.fillRect(QRect(left, top, right - left, bottom - top), color);
}

void frameRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color)
{
    if (right <= left || bottom <= top)
        return;
    fillRect(p, left, top, right, top + 1, color);
    fillRect(p, left, bottom - 1, right, bottom, color);
    fillRect(p, left, top, left + 1, bottom, color);
    fillRect(p, right - 1, top, right, bottom, color);
}

void drawOpaqueText(QPainter& p, QPoint topLeft, const QString& text, const QFont& font, const QColor& color,
                    const QColor& background)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm(font);
    p.fillRect(QRect(topLeft, QSize(fm.horizontalAdvance(text), fm.height())), background);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QPoint(topLeft.x(), topLeft.y() + fm.ascent()), text);
}

void drawFocusRect(QPainter& p, const QRect& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const auto dot = [&](int x, int y) {
        if (((x - r.left()) + (y - r.top())) % 2 == 0)
            p.fillRect(QRect(x, y, 1, 1), Qt::white);
    };
    const int right = r.left() + r.width() - 1, bottom = r.top() + r.height() - 1;
    for (int x = r.left(); x <= right; ++x)
    {
        dot(x, r.top());
        if (bottom != r.top())
            dot(x, bottom);
    }
    for (int y = r.top() + 1; y < bottom; ++y)
    {
        dot(r.left(), y);
        if (right != r.left())
            dot(right, y);
    }
    p.restore();
}

QColor transparentColorOf(const QImage& image, const QColor& explicitColor)
{
    if (explicitColor.isValid())
        return explicitColor;
    if (image.isNull())
        return QColor();
    if (image.depth() == 1)
        return QColor(Qt::white);
    return QColor(seeThroughKey(image)).toRgb();
}

QImage bakeTransparency(const QImage& image, const QColor& face, const QColor& explicitTransparent)
{
    if (image.isNull())
        return QImage();
    QImage result(image.size(), QImage::Format_RGB32);
    if (image.hasAlphaChannel())
    {
        result.fill(face);
        // Composed pixel for pixel: a picture made for a finer screen keeps all its pixels.
        QImage source = image;
        source.setDevicePixelRatio(1.0);
        QPainter p(&result);
        p.drawImage(0, 0, source);
    }
    else
    {
        result = image.convertToFormat(QImage::Format_RGB32);
    }
    result.setDevicePixelRatio(image.devicePixelRatio());
    // The key is taken after composition, so a picture with an alpha channel still honours an
    // explicit transparent colour, and its lower-left pixel (often already the face) stays it.
    const QRgb key = transparentColorOf(image.depth() == 1 ? image : result, explicitTransparent).rgb() | 0xFF000000u;
    const QRgb faceRgb = face.rgb() | 0xFF000000u;
    for (int y = 0; y < result.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
        {
            if ((line[x] | 0xFF000000u) == key)
                line[x] = faceRgb;
        }
    }
    return result;
}

void drawImageDisabled(const TImageList& list, QPainter& p, int x, int y, int index, const QColor& highlight,
                       const QColor& shadow)
{
    const QImage entry = list.image(index);
    if (entry.isNull())
        return;
    // The silhouette: opaque pixels of the entry in one colour, the rest fully transparent.
    const auto silhouette = [&](const QColor& color) {
        QImage s(entry.size(), QImage::Format_ARGB32);
        const QRgb c = color.rgb() | 0xFF000000u;
        for (int row = 0; row < entry.height(); ++row)
        {
            const auto* src = reinterpret_cast<const QRgb*>(entry.constScanLine(row));
            auto* dst = reinterpret_cast<QRgb*>(s.scanLine(row));
            for (int col = 0; col < entry.width(); ++col)
                dst[col] = qAlpha(src[col]) ? c : qRgba(0, 0, 0, 0);
        }
        return s;
    };
    p.drawImage(QPoint(x + 1, y + 1), silhouette(highlight));
    p.drawImage(QPoint(x, y), silhouette(shadow));
}

} // namespace ButtonPaint
