#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub; // first, so the library's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

struct ProgressMonitor
{
    jpeg_progress_mgr pub;
    int maxScans;
};

// Everything the decoding function touches that has a destructor lives here, owned by the
// caller, so a long jump out of libjpeg skips no destructor.
struct Output
{
    QImage image;
    std::vector<JSAMPLE> row;
};

[[noreturn]] void fail(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// libjpeg prints warnings and traces on stderr by default; they are counted instead.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++reinterpret_cast<ErrorManager*>(cinfo->err)->warnings;
}

void outputMessage(j_common_ptr)
{}

void checkProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
    if (dinfo->input_scan_number > monitor->maxScans)
    {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many scans (more than %d)", monitor->maxScans);
        std::longjmp(err->jump, 1);
    }
}

inline uchar mul255(int a, int b)
{
    return static_cast<uchar>((a * b + 127) / 255);
}

// Returns false with the reason in message on failure. Only trivially destructible locals here:
// see Output.
bool decodeInto(const uchar* data, unsigned long size, const PictureLimits& limits, Output* out, char* message,
                std::size_t messageSize)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressMonitor progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = fail;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.warnings = 0;
    err.message[0] = 0;

    if (setjmp(err.jump))
    {
        std::snprintf(message, messageSize, "%s", err.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    jpeg_create_decompress(&cinfo);
    progress.pub.progress_monitor = checkProgress;
    progress.maxScans = limits.maxScans;
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

    // Shrink on decoding rather than refuse a picture that is merely large.
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    jpeg_calc_output_dimensions(&cinfo);
    while (qint64(cinfo.output_width) * cinfo.output_height > limits.maxPixels && cinfo.scale_denom < 8)
    {
        cinfo.scale_denom *= 2;
        jpeg_calc_output_dimensions(&cinfo);
    }
    if (qint64(cinfo.output_width) * cinfo.output_height > limits.maxPixels || cinfo.output_width == 0 ||
        cinfo.output_height == 0 || cinfo.output_width > 65535 || cinfo.output_height > 65535)
    {
        std::snprintf(message, messageSize, "picture too large (%u x %u)", cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    jpeg_start_decompress(&cinfo);
    out->image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (out->image.isNull())
    {
        std::snprintf(message, messageSize, "out of memory for %u x %u", cinfo.output_width, cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cmyk)
        out->row.resize(std::size_t(cinfo.output_width) * 4);

    // Adobe's encoders store CMYK inverted (0 = full ink) and mark the file with their segment;
    // without that mark the values are taken as plain ink amounts.
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height)
    {
        uchar* line = out->image.scanLine(int(cinfo.output_scanline));
        JSAMPROW rows[1] = {cmyk ? out->row.data() : line};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1)
            break;
        if (!cmyk)
            continue;
        auto* pixels = reinterpret_cast<QRgb*>(line);
        const JSAMPLE* in = out->row.data();
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, in += 4)
        {
            const int c = inverted ? in[0] : 255 - in[0];
            const int m = inverted ? in[1] : 255 - in[1];
            const int y = inverted ? in[2] : 255 - in[2];
            const int k = inverted ? in[3] : 255 - in[3];
            pixels[x] = qRgb(mul255(c, k), mul255(m, k), mul255(y, k));
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& data, QString* error, const PictureLimits& limits)
{
    if (error)
        error->clear();
    Output out;
    char message[JMSG_LENGTH_MAX + 64] = {};
    if (data.isEmpty() || !decodeInto(reinterpret_cast<const uchar*>(data.constData()),
                                      static_cast<unsigned long>(data.size()), limits, &out, message, sizeof message))
    {
        if (error)
            *error = data.isEmpty() ? QStringLiteral("empty file") : QString::fromLocal8Bit(message);
        return {};
    }
    return out.image;
}
