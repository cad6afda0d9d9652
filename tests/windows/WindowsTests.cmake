# The Windows build's part of tests/CMakeLists.txt: the converter runs under
# the emulator (Wine), the cases of windows/cases join the others, and the
# runs with two threads use the Japanese code page (932), where a second
# byte 0x5C inside a character would read as '\' to any program that handled
# names in the code page. A case with a file `locale` runs in the locale it
# names both times (RunCase.cmake).
set(converter "${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:Cor2TavikCmd>")
file(GLOB windows_cases CONFIGURE_DEPENDS LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/windows/cases/*)
list(APPEND case_dirs ${windows_cases})

add_executable(HoldOpen windows/HoldOpen.cpp)
set(hold_open "${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:HoldOpen>")

# Wine takes the code page from LC_ALL, but only for a locale the C library
# has: ja_JP.UTF-8 is made here from the sources of Debian's locales package.
set(locale_dir ${CMAKE_CURRENT_BINARY_DIR}/locale)
if(NOT EXISTS ${locale_dir}/ja_JP.UTF-8/LC_CTYPE)
  file(MAKE_DIRECTORY ${locale_dir})
  execute_process(COMMAND localedef -i ja_JP -f UTF-8 ${locale_dir}/ja_JP.UTF-8
                  RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT EXISTS ${locale_dir}/ja_JP.UTF-8/LC_CTYPE)
  message(FATAL_ERROR "cannot make the ja_JP.UTF-8 locale for Wine: install the locales package")
endif()
set(case_options_t1 -DWINDOWS=ON -DLOCPATH=${locale_dir})
set(case_options_t2 -DWINDOWS=ON -DLOCALE=ja_JP.UTF-8 -DLOCPATH=${locale_dir})
