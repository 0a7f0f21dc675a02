#pragma once

#include <QString>
#include <optional>

// Latin letters for text written in another script, accents left out: "Иван" -> "Ivan",
// "Ζωή" -> "Zoi", "山田" -> "Shan Tian". Latin letters, digits, blanks and punctuation pass
// unchanged; a script without letter case (Han, Arabic, Hangul) gives words that start with a
// capital. Characters with no Latin form (emoji) come back as they are.
//
// This is the one place that calls ICU (every build links it). Where ICU cannot give the
// transliteration (its rules missing from the data) it returns nothing, and callers keep their
// own fallback.
std::optional<QString> latinTransliteration(const QString& text);
