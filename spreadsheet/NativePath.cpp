#include "NativePath.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <string>
#include <windows.h>

namespace {
// The path in the ANSI code page, or nothing when one of its letters has no place there.
bool toAnsi(const std::wstring& path, QByteArray& out)
{
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return false;
    out.resize(size);
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, out.data(), size, nullptr, &lossy);
    out.chop(1); // the terminating zero
    return !lossy;
}
} // namespace

QByteArray pathForCLibrary(const QString& path)
{
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    QByteArray ansi;
    if (toAnsi(wide, ansi))
        return ansi;
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size > 0)
    {
        std::wstring shortPath(size, L'\0');
        const DWORD written = GetShortPathNameW(wide.c_str(), shortPath.data(), size);
        shortPath.resize(written);
        if (written > 0 && written < size && toAnsi(shortPath, ansi))
            return ansi;
    }
    return QFile::encodeName(path); // fails to open, and the caller says so
}
#else
QByteArray pathForCLibrary(const QString& path)
{
    return QFile::encodeName(path);
}
#endif
