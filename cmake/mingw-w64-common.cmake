# What both Windows toolchains share; each sets COR2TAVIK_MINGW (the target
# triplet), CMAKE_SYSTEM_PROCESSOR and COR2TAVIK_WINEARCH first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix flavour: std::thread needs winpthread.
set(CMAKE_C_COMPILER ${COR2TAVIK_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${COR2TAVIK_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${COR2TAVIK_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${COR2TAVIK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so that an .exe needs only the
# DLLs every Windows has.
string(PREPEND CMAKE_EXE_LINKER_FLAGS_INIT "-static ")

# Wine with a prefix of its own, so that a run never touches ~/.wine and a
# clean build directory starts from a clean prefix; without .NET and the
# browser engine, which a new prefix would otherwise offer to download.
# The prefix is made for the build's architecture: a 32-bit one is a
# 32-bit Windows. scripts/wine-prefix remakes it when Wine changes.
find_program(COR2TAVIK_WINE NAMES wine wine64)
if(COR2TAVIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEARCH=${COR2TAVIK_WINEARCH}
      WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
      ${COR2TAVIK_WINE})
endif()
