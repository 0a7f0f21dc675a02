#include "PictureLoader.h"

#include "JpegDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace {

QImage failed(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return {};
}

QImage readWithQt(const QByteArray& data, const char* format, QString* error, const PictureLimits& limits)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    // Qt's own allocation limit guards the decoding; a picture larger than a JPEG may become is
    // shrunk afterwards, so both kinds end up within the same bounds.
    const qint64 maxPixels = limits.maxPixels;
    QImage image = reader.read();
    if (image.isNull())
        return failed(error, reader.errorString());
    const qint64 pixels = qint64(image.width()) * image.height();
    if (pixels > maxPixels)
    {
        const double factor = std::sqrt(double(maxPixels) / double(pixels));
        image = image.scaled(qMax(1, int(image.width() * factor)), qMax(1, int(image.height() * factor)),
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

} // namespace

PictureFormat pictureFormatOfName(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("bmp"))
        return PictureFormat::Bmp;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return PictureFormat::Jpeg;
    if (ext == QLatin1String("gif"))
        return PictureFormat::Gif;
    return PictureFormat::Unknown;
}

PictureFormat pictureFormatOfContent(const QByteArray& head)
{
    if (head.startsWith("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return PictureFormat::Gif;
    if (head.startsWith("BM") && head.size() >= 26)
        return PictureFormat::Bmp;
    return PictureFormat::Unknown;
}

QImage loadPicture(const QString& path, QString* error, const PictureLimits& limits)
{
    if (error)
        error->clear();
    if (pictureFormatOfName(path) == PictureFormat::Unknown)
        return failed(error, QStringLiteral("not a picture file name: ") + path);

    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return failed(error, QStringLiteral("cannot open ") + path);
    if (file.size() > MaxPictureFileBytes)
        return failed(error, QStringLiteral("file too large: ") + path);
    const QByteArray data = file.readAll();
    file.close();

    switch (pictureFormatOfContent(data))
    {
    case PictureFormat::Jpeg:
        return decodeJpeg(data, error, limits);
    case PictureFormat::Bmp:
        return readWithQt(data, "bmp", error, limits);
    case PictureFormat::Gif:
        return readWithQt(data, "gif", error, limits);
    case PictureFormat::Unknown:
        break;
    }
    return failed(error, QStringLiteral("not a BMP, JPEG or GIF picture: ") + path);
}
