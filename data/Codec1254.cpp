#include "Codec1254.h"

#include "Transliteration.h"

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

namespace {
// Latin letters that carry no separable accent, or whose nearest letter is not their base.
struct Nearest
{
    char16_t from;
    const char* to; // code page 1254 bytes
};
constexpr Nearest kNearest[] = {
    {0x00C6, "AE"},   {0x00E6, "ae"},   {0x00D0, "D"}, {0x00F0, "d"},  {0x00DE, "Th"},   {0x00FE, "th"},
    {0x0110, "D"},    {0x0111, "d"},    {0x0126, "H"}, {0x0127, "h"},  {0x0138, "k"},    {0x013F, "L"},
    {0x0140, "l"},    {0x0141, "L"},    {0x0142, "l"}, {0x0149, "'n"}, {0x014A, "N"},    {0x014B, "n"},
    {0x0150, "\xD6"}, {0x0151, "\xF6"}, {0x0166, "T"}, {0x0167, "t"},  {0x0170, "\xDC"}, {0x0171, "\xFC"},
    {0x0180, "b"},    {0x0189, "D"},    {0x0197, "I"}, {0x01B5, "Z"},  {0x01B6, "z"},    {0x0218, "\xDE"},
    {0x0219, "\xFE"}, {0x021A, "T"},    {0x021B, "t"}, {0x0237, "j"},  {0x0268, "i"},    {0x1E9E, "SS"},
    {0x2010, "-"},    {0x2011, "-"},    {0x2012, "-"}, {0x2015, "-"},  {0x2212, "-"},    {0x2032, "'"},
    {0x02B9, "'"},    {0x02BA, "\""},   {0x02BB, "'"}, {0x02BC, "'"},  {0x02BE, "'"},    {0x02BF, "'"},
    {0x2033, "\""},   {0x2044, "/"},    {0x2002, " "}, {0x2003, " "},  {0x2009, " "},    {0x202F, " "},
};

const char* nearestFromTable(char16_t u)
{
    for (const Nearest& n : kNearest)
        if (n.from == u)
            return n.to;
    return nullptr;
}

// The character with as many of its accents as the code page holds: the decomposed form is cut
// back one mark at a time until its composition is in the code page ("ǘ" -> "ü" -> ...).
bool appendDecomposed(const QString& ch, QByteArray& out)
{
    const QString parts = ch.normalized(QString::NormalizationForm_KD);
    for (qsizetype keep = parts.size(); keep > 0; --keep)
    {
        if (keep < parts.size() && !parts.at(keep).isMark())
            break;
        const QString candidate = parts.left(keep).normalized(QString::NormalizationForm_C);
        if (candidate != ch && Cp1254::canEncode(candidate))
        {
            out += Cp1254::fromUnicode(candidate);
            return true;
        }
    }
    // A compatibility form of several characters ("ﬁ", fullwidth letters): its encodable ones.
    QByteArray kept;
    for (const QChar c : parts)
        if (!c.isMark() && byteFor(c.unicode()) >= 0)
            kept += static_cast<char>(byteFor(c.unicode()));
    if (kept.isEmpty())
        return false;
    out += kept;
    return true;
}

// The nearest bytes of one character (or surrogate pair) outside the code page, when it has any.
bool appendNearest(const QString& ch, QByteArray& out)
{
    if (ch.size() == 1)
        if (const char* near = nearestFromTable(ch.at(0).unicode()))
        {
            out.append(near);
            return true;
        }
    return !ch.at(0).isSurrogate() || ch.size() == 2 ? appendDecomposed(ch, out) : false;
}

// One character of `text` at `i`: a surrogate pair counts as one.
qsizetype characterLength(const QString& text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
}

bool inCodePage(const QString& text, qsizetype i)
{
    return !text.at(i).isSurrogate() && byteFor(text.at(i).unicode()) >= 0;
}

// The code page's letters for `text`, each character outside it replaced by its nearest form or
// '?'; `transliterate` also lets runs without any near form go through the Latin transliteration.
bool hasLetter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); i += characterLength(text, i))
        if (QChar::isLetter(characterLength(text, i) == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                                          : text.at(i).unicode()))
            return true;
    return false;
}

using Cp1254::Replacements;

QByteArray nearest(const QString& text, bool transliterate, Replacements& replaced)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();)
    {
        if (inCodePage(text, i))
        {
            out.append(static_cast<char>(byteFor(text.at(i).unicode())));
            ++i;
            continue;
        }
        qsizetype length = characterLength(text, i);
        if (text.at(i).category() == QChar::Other_Format)
        {
            // Invisible: a zero-width joiner or a direction mark has nothing to be seen.
            replaced.nearLetters = true;
            i += length;
            continue;
        }
        if (appendNearest(text.mid(i, length), out))
        {
            replaced.nearLetters = true;
            i += length;
            continue;
        }
        // A run of characters that have no near letter, written in another script as a whole, so
        // that the transliteration sees each word entire ("Παπαδοπούλου", "山田").
        qsizetype end = i + length;
        QByteArray unused;
        while (end < text.size() && !inCodePage(text, end) &&
               !appendNearest(text.mid(end, characterLength(text, end)), unused))
            end += characterLength(text, end);
        const QString run = text.mid(i, end - i);
        const std::optional<QString> latin =
            transliterate && hasLetter(run) ? latinTransliteration(run) : std::optional<QString>();
        if (latin)
        {
            replaced.transliterated = true;
            Replacements inLatin;
            out += nearest(*latin, false, inLatin);
            replaced.unknown = replaced.unknown || inLatin.unknown;
        }
        else
        {
            replaced.unknown = true;
            for (; i < end; i += characterLength(text, i))
                out.append('?');
        }
        i = end;
    }
    return out;
}
} // namespace

namespace Cp1254 {
QByteArray fromUnicodeNearest(const QString& text, Replacements& replaced)
{
    replaced = {};
    if (canEncode(text))
        return fromUnicode(text);
    // Composed first, so that a letter typed with a separate accent is one character.
    QByteArray out = nearest(text.normalized(QString::NormalizationForm_C), true, replaced);
    if (out.isEmpty())
    {
        // Only invisible characters: still a name that can be seen and corrected.
        out = "?";
        replaced.unknown = true;
    }
    return out;
}

QByteArray fromUnicodeNearest(const QString& text, bool* changed)
{
    Replacements replaced;
    QByteArray out = fromUnicodeNearest(text, replaced);
    if (changed)
        *changed = replaced.any();
    return out;
}
} // namespace Cp1254
