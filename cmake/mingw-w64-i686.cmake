# Cross-builds the 32-bit Windows programs on Debian with mingw-w64; the
# tests run under Wine in a 32-bit prefix (mingw-w64-common.cmake).
set(COR2TAVIK_MINGW i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(COR2TAVIK_WINEARCH win32)

# double in SSE2 registers, rounded to 53 bits at every step whatever the
# x87 precision, which the jobs set to 64 bits for long double; x87
# arithmetic on double would round twice there. Every Windows that runs
# these programs has SSE2. mingw realigns the stack where SSE needs it.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# 4 GiB of address space on a 64-bit Windows, instead of 2.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
