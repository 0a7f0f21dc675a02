#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Turkish upper-casing of code-page-1254 text, independent of the system locale: i -> İ,
// ı -> I, ç ğ ö ü ş -> Ç Ğ Ö Ü Ş, the other ASCII letters as usual; every other byte (â, î, û,
// digits, punctuation) stays as it is.
char CharFUp2(char ch);
QByteArray FUp2(const QByteArray& text);
void FUp2InPlace(char* data, qsizetype size);

// The same mapping on Unicode text: characters are taken through code page 1254 and back;
// characters outside the code page are left as they are.
QChar CharFUp2(QChar ch);
QString FUp2(const QString& text);
