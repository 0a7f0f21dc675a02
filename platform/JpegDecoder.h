#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG decoding through libjpeg(-turbo), with the guards a picture chosen by the user needs:
// a damaged file ends in an error instead of ending the process, the size of the decoded image
// is bounded (a huge picture is decoded at 1/2, 1/4 or 1/8 of its size when that fits, and
// refused when even that does not), and a progressive file with an absurd number of scans is
// refused. A file cut short gives the part that arrived, the rest grey, as viewers show it.
//
// The result is Format_RGB32; grey-scale, YCbCr, RGB, CMYK and YCCK files are converted.
struct PictureLimits
{
    qint64 maxPixels = 16LL * 1024 * 1024; // of the decoded image: 64 MiB as RGB32, plenty for a screen
    int maxScans = 1000;                   // of a progressive file
};

QImage decodeJpeg(const QByteArray& data, QString* error = nullptr, const PictureLimits& limits = {});
