/* See iconv.h. A descriptor is the source code page plus one; 1200 is UTF-16 little-endian. */
#include "iconv.h"
#include "localcharset.h"

#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define UTF16LE 1200u

static int sameName(const char* a, const char* b)
{
    return _stricmp(a, b) == 0;
}

iconv_t iconv_open(const char* to, const char* from)
{
    unsigned page = 0;
    if (!sameName(to, "UTF-8"))
        page = 0;
    else if (sameName(from, "UTF-16LE"))
        page = UTF16LE;
    else if (sameName(from, "ASCII"))
        page = 20127;
    else if (sameName(from, "MacRoman"))
        page = 10000;
    else if ((from[0] == 'C' || from[0] == 'c') && (from[1] == 'P' || from[1] == 'p'))
        page = (unsigned)strtoul(from + 2, NULL, 10);
    if (page == 0 || (page != UTF16LE && !IsValidCodePage(page)))
    {
        errno = EINVAL;
        return (iconv_t)(intptr_t)-1;
    }
    return (iconv_t)(uintptr_t)(page + 1);
}

int iconv_close(iconv_t cd)
{
    (void)cd;
    return 0;
}

/* Converts the whole input at once, as freexl hands it over; on failure nothing is consumed. */
size_t iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft)
{
    const unsigned page = (unsigned)(uintptr_t)cd - 1;
    if (in == NULL || *in == NULL || *inLeft == 0)
        return 0;
    if (*inLeft > INT_MAX / 2)
    {
        errno = E2BIG;
        return (size_t)-1;
    }
    int wide = 0;
    wchar_t* text = NULL;
    if (page == UTF16LE)
    {
        if (*inLeft % 2 != 0)
        {
            errno = EINVAL;
            return (size_t)-1;
        }
        wide = (int)(*inLeft / 2);
        text = malloc((size_t)wide * sizeof(wchar_t));
        if (text)
            memcpy(text, *in, *inLeft);
    }
    else
    {
        wide = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, *in, (int)*inLeft, NULL, 0);
        text = wide > 0 ? malloc((size_t)wide * sizeof(wchar_t)) : NULL;
        if (text)
            MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, *in, (int)*inLeft, text, wide);
    }
    if (text == NULL)
    {
        errno = EILSEQ;
        return (size_t)-1;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, wide, NULL, 0, NULL, NULL);
    if (bytes <= 0 || (size_t)bytes > *outLeft)
    {
        free(text);
        errno = bytes <= 0 ? EILSEQ : E2BIG;
        return (size_t)-1;
    }
    WideCharToMultiByte(CP_UTF8, 0, text, wide, *out, bytes, NULL, NULL);
    free(text);
    *in += *inLeft;
    *inLeft = 0;
    *out += bytes;
    *outLeft -= (size_t)bytes;
    return 0;
}

const char* locale_charset(void)
{
    static char name[16];
    snprintf(name, sizeof name, "CP%u", GetACP());
    return name;
}
