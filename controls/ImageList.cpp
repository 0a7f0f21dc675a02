#include "ImageList.h"

#include <QPainter>

TImageList::TImageList(QObject* parent) : QObject(parent)
{}

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), m_width(qMax(1, width)), m_height(qMax(1, height))
{}

void TImageList::setWidth(int width)
{
    width = qMax(1, width);
    if (width == m_width)
        return;
    m_width = width;
    m_entries.clear();
    Q_EMIT changed();
}

void TImageList::setHeight(int height)
{
    height = qMax(1, height);
    if (height == m_height)
        return;
    m_height = height;
    m_entries.clear();
    Q_EMIT changed();
}

QImage TImageList::applyMask(const QImage& image, const QImage& mask)
{
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const bool useMask = !mask.isNull() && mask.size() == image.size();
    const QImage m = useMask ? mask.convertToFormat(QImage::Format_RGB32) : QImage();
    for (int y = 0; y < result.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        const auto* maskLine = useMask ? reinterpret_cast<const QRgb*>(m.constScanLine(y)) : nullptr;
        for (int x = 0; x < result.width(); ++x)
        {
            const bool transparent = maskLine ? qGray(maskLine[x]) >= 128 : qAlpha(line[x]) < 128;
            line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xFF000000u);
        }
    }
    return result;
}

QImage TImageList::fit(const QImage& image) const
{
    if (image.size() == QSize(m_width, m_height))
        return image;
    return image.scaled(m_width, m_height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

int TImageList::add(const QImage& image, const QImage& mask)
{
    if (image.isNull())
        return -1;
    const QImage masked = applyMask(image, mask);
    const int first = count();
    if (masked.height() == m_height && masked.width() % m_width == 0)
    {
        for (int x = 0; x < masked.width(); x += m_width)
            m_entries.append(masked.copy(x, 0, m_width, m_height));
    }
    else
    {
        m_entries.append(fit(masked));
    }
    Q_EMIT changed();
    return first;
}

int TImageList::addMasked(const QImage& image, const QColor& maskColor)
{
    if (image.isNull())
        return -1;
    QImage mask(image.size(), QImage::Format_RGB32);
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = maskColor.rgb() | 0xFF000000u;
    for (int y = 0; y < source.height(); ++y)
    {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* maskLine = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            maskLine[x] = (line[x] | 0xFF000000u) == key ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    return add(source, mask);
}

bool TImageList::replace(int index, const QImage& image, const QImage& mask)
{
    if (index < 0 || index >= count() || image.isNull())
        return false;
    m_entries[index] = fit(applyMask(image, mask));
    Q_EMIT changed();
    return true;
}

bool TImageList::remove(int index)
{
    if (index < 0 || index >= count())
        return false;
    m_entries.removeAt(index);
    Q_EMIT changed();
    return true;
}

void TImageList::clear()
{
    if (m_entries.isEmpty())
        return;
    m_entries.clear();
    Q_EMIT changed();
}

QImage TImageList::image(int index) const
{
    if (index < 0 || index >= count())
        return QImage();
    return m_entries.at(index);
}

QImage TImageList::mask(int index) const
{
    if (index < 0 || index >= count())
        return QImage();
    const QImage& entry = m_entries.at(index);
    QImage result(entry.size(), QImage::Format_Mono);
    result.setColor(0, qRgb(0, 0, 0));
    result.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < entry.height(); ++y)
    {
        const auto* line = reinterpret_cast<const QRgb*>(entry.constScanLine(y));
        for (int x = 0; x < entry.width(); ++x)
            result.setPixel(x, y, qAlpha(line[x]) == 0 ? 1 : 0);
    }
    return result;
}

bool TImageList::getBitmap(int index, QImage& out) const
{
    if (index < 0 || index >= count())
        return false;
    QImage bitmap(m_width, m_height, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QPainter p(&bitmap);
    p.drawImage(0, 0, m_entries.at(index));
    p.end();
    out = bitmap;
    return true;
}

void TImageList::draw(QPainter& painter, int x, int y, int index) const
{
    if (index < 0 || index >= count())
        return;
    painter.drawImage(QPoint(x, y), m_entries.at(index));
}
