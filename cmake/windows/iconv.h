/* The part of iconv that freexl uses, for the Windows build of the libraries: conversions from a
 * Windows code page (named "CPnnnn", "ASCII", "MacRoman") or from "UTF-16LE" to "UTF-8", made
 * through the system's own tables. Built by scripts/windows-deps. */
#ifndef CEKILIS_WINDOWS_ICONV_H
#define CEKILIS_WINDOWS_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* iconv_t;

iconv_t iconv_open(const char* to, const char* from);
size_t iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
