#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Code page 1254 (Windows Turkish), the single-byte encoding of every text the program
// stores. The five bytes the code page leaves undefined map to the C1 controls of the same
// number, so any byte string survives a round trip.
namespace Cp1254 {
QString toUnicode(const char* data, qsizetype size);
QString toUnicode(const QByteArray& bytes);
// A character outside the code page (a surrogate pair counts as one) becomes '?'.
QByteArray fromUnicode(const QString& text);
QChar toUnicode(char byte);
char fromUnicode(QChar ch); // '?' when outside the code page
// True when every character of `text` is in the code page, so that storing it loses nothing.
bool canEncode(const QString& text);
// What fromUnicodeNearest had to do to a text.
struct Replacements
{
    bool nearLetters = false;    // a letter without the accents the code page lacks ("Ł" -> "L")
    bool transliterated = false; // another script written in Latin letters ("Иван" -> "Ivan")
    bool unknown = false;        // a character with neither became '?'
    bool any() const { return nearLetters || transliterated || unknown; }
};
// Like fromUnicode, but a character outside the code page becomes the nearest text the code
// page has: its letter without the accents it cannot hold ("Łukasz" -> "Lukasz", "ő" -> "ö"),
// a ligature spelt out ("Æ" -> "AE"), a word of another script in Latin letters ("Иван" ->
// "Ivan", "山田" -> "Shan Tian"). Only what has no such form (a symbol, or any other script in
// a build without the transliteration) becomes '?'. A text that is not empty never comes back
// empty. `changed`, when given, tells whether anything was replaced.
QByteArray fromUnicodeNearest(const QString& text, bool* changed = nullptr);
QByteArray fromUnicodeNearest(const QString& text, Replacements& replaced);
} // namespace Cp1254
