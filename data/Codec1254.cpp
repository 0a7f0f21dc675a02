#include "Codec1254.h"

#include <array>

namespace {
// Code points of bytes 0x80..0x9F; the undefined five keep their own number.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178,
};

constexpr char16_t codePoint(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return kHigh[b - 0x80];
    switch (b)
    {
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return b;
    }
}

struct Tables
{
    std::array<char16_t, 256> toUni{};
    // Byte of every UTF-16 unit; 0 stands for "not in the code page" except for U+0000.
    std::array<unsigned char, 65536> fromUni{};
    Tables()
    {
        for (int b = 0; b < 256; ++b)
        {
            const char16_t u = codePoint(static_cast<unsigned char>(b));
            toUni[static_cast<size_t>(b)] = u;
            fromUni[u] = static_cast<unsigned char>(b);
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

// Byte for a code point, or -1. Latin-1 code points that the code page replaced (Ð, Ý, Þ,
// ð, ý, þ) are not in it.
int byteFor(char16_t u)
{
    const unsigned char b = tables().fromUni[u];
    return b == 0 && u != 0 ? -1 : b;
}
} // namespace

namespace Cp1254 {
QString toUnicode(const char* data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    const auto& t = tables();
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = QChar(t.toUni[static_cast<unsigned char>(data[i])]);
    return out;
}

QString toUnicode(const QByteArray& bytes)
{
    return toUnicode(bytes.constData(), bytes.size());
}

QChar toUnicode(char byte)
{
    return QChar(tables().toUni[static_cast<unsigned char>(byte)]);
}

char fromUnicode(QChar ch)
{
    const int b = byteFor(ch.unicode());
    return b < 0 ? '?' : static_cast<char>(b);
}

QByteArray fromUnicode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        {
            out.append('?');
            ++i;
            continue;
        }
        out.append(fromUnicode(c));
    }
    return out;
}

bool canEncode(const QString& text)
{
    for (const QChar c : text)
        if (c.isSurrogate() || byteFor(c.unicode()) < 0)
            return false;
    return true;
}
} // namespace Cp1254
