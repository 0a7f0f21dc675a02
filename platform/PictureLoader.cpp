#include "PictureLoader.h"

#include "JpegDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

QImage failed(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return {};
}

QImage readWithQt(const QByteArray& data, const char* format, QString* error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > JpegLimits().maxPixels)
        return failed(error, QStringLiteral("picture too large"));
    QImage image = reader.read();
    if (image.isNull())
        return failed(error, reader.errorString());
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

QImage loadPicture(const QString& path, QString* error)
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
        return decodeJpeg(data, error);
    case PictureFormat::Bmp:
        return readWithQt(data, "bmp", error);
    case PictureFormat::Gif:
        return readWithQt(data, "gif", error);
    case PictureFormat::Unknown:
        break;
    }
    return failed(error, QStringLiteral("not a BMP, JPEG or GIF picture: ") + path);
}
