/* freexl includes this beside iconv.h on Windows; it names the ANSI code page. */
#ifndef CEKILIS_WINDOWS_LOCALCHARSET_H
#define CEKILIS_WINDOWS_LOCALCHARSET_H

#ifdef __cplusplus
extern "C" {
#endif

const char* locale_charset(void);

#ifdef __cplusplus
}
#endif

#endif
