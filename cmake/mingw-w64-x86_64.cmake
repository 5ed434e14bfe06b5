# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix threads),
# the programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# wine in a prefix of the build's own, quiet, writing nothing into the
# user's home (as scripts/wine-env.sh sets it for the tests).
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEARCH=win64 WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=d wine)
# Every module carries its own C++ runtime, so the package needs no MinGW
# DLL beside ours. A DLL exports its own symbols only, not the runtime's.
set(QK_MINGW_RUNTIME libgcc.a:libgcc_eh.a:libstdc++.a:libwinpthread.a:libpthread.a)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,${QK_MINGW_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,${QK_MINGW_RUNTIME}")
# GCC 12 warns falsely about std::string's inline copies when optimising
# (GCC bug 105329); Debian's native compiler is the same release and does
# not, so nothing is lost by silencing it here.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
