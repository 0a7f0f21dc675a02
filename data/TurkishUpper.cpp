#include "TurkishUpper.h"

#include "Codec1254.h"

#include <array>

namespace {
struct UpperTable
{
    std::array<unsigned char, 256> map{};
    UpperTable()
    {
        for (int b = 0; b < 256; ++b)
            map[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
        for (int b = 'a'; b <= 'z'; ++b)
            map[static_cast<size_t>(b)] = static_cast<unsigned char>(b - 0x20);
        map['i'] = 0xDD;  // i -> İ
        map[0xFD] = 'I';  // ı -> I
        map[0xE7] = 0xC7; // ç -> Ç
        map[0xF0] = 0xD0; // ğ -> Ğ
        map[0xF6] = 0xD6; // ö -> Ö
        map[0xFC] = 0xDC; // ü -> Ü
        map[0xFE] = 0xDE; // ş -> Ş
    }
};

const UpperTable& upper()
{
    static const UpperTable t;
    return t;
}
} // namespace

char CharFUp2(char ch)
{
    return static_cast<char>(upper().map[static_cast<unsigned char>(ch)]);
}

void FUp2InPlace(char* data, qsizetype size)
{
    const auto& m = upper().map;
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>(m[static_cast<unsigned char>(data[i])]);
}

QByteArray FUp2(const QByteArray& text)
{
    QByteArray out = text; // a copy: the argument stays as it was
    FUp2InPlace(out.data(), out.size());
    return out;
}

QChar CharFUp2(QChar ch)
{
    const char b = Cp1254::fromUnicode(ch);
    if (b == '?' && ch != QLatin1Char('?'))
        return ch;
    return Cp1254::toUnicode(CharFUp2(b));
}

QString FUp2(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = CharFUp2(c);
    return out;
}
