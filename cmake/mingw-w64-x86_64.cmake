# Cross-builds the 64-bit Windows programs on Debian with mingw-w64; the
# tests run under Wine through the emulator set in mingw-w64-common.cmake.
set(COR2TAVIK_MINGW x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(COR2TAVIK_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
