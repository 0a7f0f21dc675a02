#pragma once

#include "JpegDecoder.h"

#include <QImage>
#include <QString>

// Prize pictures. The extension decides whether a file is a picture at all: BMP, JPG, JPEG and
// GIF are, in any letter case, and nothing else is. Within those, the content decides the
// decoder, so a JPEG saved under a .bmp name still shows; content that is none of the three
// formats (a PNG named .jpg, text, a damaged header) gives no picture. JPEG goes through
// libjpeg (see JpegDecoder.h), BMP and GIF (its first frame) through Qt.
//
// A picture with more pixels than the limit is shrunk to fit it (a JPEG while decoding, by 1/2,
// 1/4 or 1/8; BMP and GIF afterwards, within Qt's own allocation limit of 128 MiB, beyond which
// they are refused). Any failure gives an empty image and, when asked, the reason; nothing is
// reported here.
enum class PictureFormat
{
    Unknown,
    Bmp,
    Jpeg,
    Gif
};

PictureFormat pictureFormatOfName(const QString& path);
PictureFormat pictureFormatOfContent(const QByteArray& head);

QImage loadPicture(const QString& path, QString* error = nullptr, const PictureLimits& limits = {});

// Files larger than this are not read at all.
constexpr qint64 MaxPictureFileBytes = 256LL * 1024 * 1024;
