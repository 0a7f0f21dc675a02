# Cross-builds the program for 64-bit Windows with Debian's mingw-w64 (posix threads), against
# the Windows libraries that scripts/windows keeps in CEKILIS_WINDOWS_DEPS_DIR:
#   qt6-mingw/  Qt 6 for Windows (its moc, uic and rcc are the host's, from /usr)
#   prefix/     libjpeg, freexl, liborcus and what they need, with pkg-config files
#   icu/        ICU (DLLs and import libraries), for the Latin transliteration of names
# Test programs run under Wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR /usr/bin/x86_64-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/x86_64-w64-mingw32-ranlib CACHE FILEPATH "")

if(NOT CEKILIS_WINDOWS_DEPS_DIR AND DEFINED ENV{CEKILIS_WINDOWS_DEPS_DIR})
  set(CEKILIS_WINDOWS_DEPS_DIR "$ENV{CEKILIS_WINDOWS_DEPS_DIR}")
endif()
if(NOT CEKILIS_WINDOWS_DEPS_DIR)
  message(FATAL_ERROR "Set CEKILIS_WINDOWS_DEPS_DIR to the Windows libraries (scripts/windows does)")
endif()
set(CEKILIS_WINDOWS_DEPS_DIR "${CEKILIS_WINDOWS_DEPS_DIR}" CACHE PATH "Windows libraries: qt6-mingw/ and prefix/")
# try_compile runs this file again in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CEKILIS_WINDOWS_DEPS_DIR)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CEKILIS_WINDOWS_DEPS_DIR}/prefix ${CEKILIS_WINDOWS_DEPS_DIR}/qt6-mingw
    ${CEKILIS_WINDOWS_DEPS_DIR}/icu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's code generators run on this machine: Debian's, of the same Qt version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Only the Windows libraries' pkg-config files, with their prefix taken from where they lie, so
# a prefix that was unpacked somewhere else than where it was built still works.
set(ENV{PKG_CONFIG_LIBDIR} "${CEKILIS_WINDOWS_DEPS_DIR}/prefix/lib/pkgconfig:${CEKILIS_WINDOWS_DEPS_DIR}/icu/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --define-prefix)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --deps ${CEKILIS_WINDOWS_DEPS_DIR})
