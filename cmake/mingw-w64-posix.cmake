# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model). The program and
# the tests are linked statically, so no DLL of the compiler's has to lie beside them, and
# CTest runs the tests under Wine with a private prefix inside the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORMAVELL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORMAVELL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORMAVELL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORMAVELL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORMAVELL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into the .exe; what is left are system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(ORMAVELL_WINE "/usr/lib/wine/wine64" CACHE FILEPATH "The Wine loader that runs the tests")
set(ORMAVELL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
    "The Wine prefix the tests run in, made on first use")
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run;${ORMAVELL_WINE};${ORMAVELL_WINEPREFIX}")

# -O2 rather than -O3: a smaller program, and GCC 12 reports false -Wrestrict warnings on
# std::string concatenation at -O3 (GCC bug 105651).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")
