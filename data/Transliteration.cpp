#include "Transliteration.h"

#ifdef CEKILIS_WITH_ICU
#include <memory>
#include <mutex>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace {
// Greek in its modern reading (Ζωή -> Zoi rather than Zōḗ), Cyrillic with the letter pairs of
// the usual English spelling (Шура -> Shura, not Šura, which would meet Сура as "Sura" once the
// accent goes), every other script by ICU's default; then the accents the romanisation adds
// (pinyin tones, macrons) dropped.
constexpr char16_t transliteratorId[] = u"Greek-Latin/UNGEGN; Russian-Latin/BGN; Any-Latin; Latin-ASCII";

struct Transliterator
{
    std::mutex lock;
    std::unique_ptr<icu::Transliterator> icu;

    Transliterator()
    {
        UErrorCode status = U_ZERO_ERROR;
        icu.reset(icu::Transliterator::createInstance(icu::UnicodeString(transliteratorId), UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            icu.reset();
    }
};

Transliterator& transliterator()
{
    // Built at its first use: loading the rules of every script takes a noticeable moment.
    static Transliterator t;
    return t;
}

bool hasLetterCase(const QString& text)
{
    for (const QChar c : text)
        if (c.isUpper() || c.isLower() || c.isTitleCase())
            return true;
    return false;
}

// "shan tian" -> "Shan Tian": the first cased letter of each word becomes a capital.
void capitaliseWords(QString& text)
{
    bool wordStart = true;
    for (QChar& c : text)
    {
        if (c.isSpace() || c == QLatin1Char('-'))
            wordStart = true;
        else if (wordStart && (c.toUpper() != c || c.toLower() != c || c.isDigit()))
        {
            c = c.toUpper();
            wordStart = false;
        }
    }
}
} // namespace

std::optional<QString> latinTransliteration(const QString& text)
{
    Transliterator& t = transliterator();
    if (!t.icu)
        return std::nullopt;
    icu::UnicodeString buffer(text.utf16(), int32_t(text.size()));
    {
        const std::lock_guard<std::mutex> hold(t.lock);
        t.icu->transliterate(buffer);
    }
    QString latin = QString::fromUtf16(buffer.getBuffer(), buffer.length());
    if (!hasLetterCase(text))
        capitaliseWords(latin);
    return latin;
}
#else
std::optional<QString> latinTransliteration(const QString&)
{
    return std::nullopt;
}
#endif
