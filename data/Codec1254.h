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
// Like fromUnicode, but a character outside the code page becomes the nearest text the code
// page has: its letter without the accents it cannot hold ("Łukasz" -> "Lukasz", "ő" -> "ö"),
// a ligature spelt out ("Æ" -> "AE"). Only what has no such near form (another script, a
// symbol) becomes '?'. `changed`, when given, tells whether anything was replaced.
QByteArray fromUnicodeNearest(const QString& text, bool* changed = nullptr);
} // namespace Cp1254
