#include "Image.h"

#include "Artwork.h"
#include "Guard.h"
#include "SeeThrough.h"

#include <QBitmap>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void TImage::setPicture(const QImage& image)
{
    setPicture(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
}

void TImage::setPicture(const QPixmap& pixmap)
{
    m_picture = pixmap;
    pictureUpdated();
}

void TImage::clear()
{
    setPicture(QPixmap());
}

void TImage::setCenter(bool on)
{
    m_center = on;
    update();
}

void TImage::setProportional(bool on)
{
    m_proportional = on;
    update();
}

void TImage::setStretch(bool on)
{
    m_stretch = on;
    update();
}

void TImage::setTransparent(bool on)
{
    if (m_transparent == on)
        return;
    m_transparent = on;
    pictureUpdated();
}

void TImage::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_picture.isNull())
        resize(logicalSize(m_picture));
}

void TImage::pictureUpdated()
{
    m_drawn = m_picture;
    if (m_transparent && !m_picture.isNull() && !m_picture.hasAlphaChannel())
        m_drawn.setMask(
            m_picture.createMaskFromColor(QColor::fromRgba(seeThroughKey(m_picture.toImage())), Qt::MaskInColor));
    if (m_autoSize && !m_picture.isNull())
        resize(logicalSize(m_picture));
    updateGeometry();
    update();
    Q_EMIT pictureChanged();
}

QRect TImage::destRect(QSize picture, QSize box, bool center, bool proportional, bool stretch)
{
    qint64 w = picture.width();
    qint64 h = picture.height();
    const qint64 cw = box.width();
    const qint64 ch = box.height();
    if (stretch || (proportional && (w > cw || h > ch)))
    {
        if (proportional && w > 0 && h > 0)
        {
            // Integer arithmetic so the truncation is exact, never off by one through rounding.
            const qint64 pw = w;
            const qint64 ph = h;
            const auto fillWidth = [&] {
                w = cw;
                h = cw * ph / pw;
            };
            const auto fillHeight = [&] {
                h = ch;
                w = ch * pw / ph;
            };
            // The longer side fills the box first; the other one when that overflows.
            if (pw > ph)
            {
                fillWidth();
                if (h > ch)
                    fillHeight();
            }
            else
            {
                fillHeight();
                if (w > cw)
                    fillWidth();
            }
        }
        else
        {
            w = cw;
            h = ch;
        }
    }
    QRect r(0, 0, int(w), int(h));
    if (center)
        r.translate(int((cw - w) / 2), int((ch - h) / 2));
    return r;
}

QRect TImage::destRect() const
{
    return destRect(logicalSize(m_picture), size(), m_center, m_proportional, m_stretch);
}

QSize TImage::sizeHint() const
{
    return m_picture.isNull() ? QSize(105, 105) : logicalSize(m_picture);
}

void TImage::paintEvent(QPaintEvent*)
{
    guarded([this] {
        if (m_drawn.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(destRect(), m_drawn);
    });
}
