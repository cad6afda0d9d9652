# The Windows build's part of tests/CMakeLists.txt: the converter runs under
# the emulator (Wine), the cases of windows/cases join the others, and the
# runs with two threads use the Japanese code page (932), where a second
# byte 0x5C inside a character would read as '\' to any program that handled
# names in the code page; the user's language stays English there. A case
# with a file `locale` runs in the locale it names both times, language
# included (RunCase.cmake).
set(converter "${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:Cor2TavikCmd>")
file(GLOB windows_cases CONFIGURE_DEPENDS LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/windows/cases/*)
list(APPEND case_dirs ${windows_cases})

add_executable(HoldOpen windows/HoldOpen.cpp)
set(hold_open "${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:HoldOpen>")

# Wine takes the code page from LC_CTYPE and the user's language from
# LC_MESSAGES, but only for a locale the C library has (made in
# tests/CMakeLists.txt).
set(case_options_t1 -DWINDOWS=ON -DLOCPATH=${locale_dir})
set(case_options_t2 -DWINDOWS=ON -DCTYPE=ja_JP.UTF-8 -DLOCPATH=${locale_dir})
