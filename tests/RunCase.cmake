# Runs one conversion case through the console converter:
#   cmake -DCOMMAND=<converter, maybe behind an emulator> -DCASE=<tests/cases/NAME>
#         -DWORK=<scratch dir> -DTHREADS=N [-DELSEWHERE=<dir on another file system>]
#         [-DWINDOWS=ON] [-DLOCALE=<LC_ALL for the run>] [-DCTYPE=<LC_CTYPE alone>]
#         [-DLOCPATH=<where they are>]
#         -P RunCase.cmake
# A case directory holds the input files and:
#   status       the expected exit status
#   stderr       the expected stderr (none: empty)
#   stdout       the expected stdout (none: empty)
#   args         the arguments, one a line (none: the case's one *.dat3 file)
#                (the model is the first, or the second after a "--")
#   expected.std the neutral file the run must write; without it, no file
#                may appear and every input must keep its bytes.
#   held         a file another program holds open during the run (Windows:
#                the test's command does the holding)
#   setup        shell lines run in the case's directory before the run
#                (modes, links); the environment has EMULATOR, the command
#                that runs the converter less the converter itself
#   check        shell lines run there after it; they replace the check that
#                no other file changed (a temporary file left still fails)
#   locale       LC_ALL for every run of the case (the messages' language
#                follows it, and under Wine the code page), found in LOCPATH.
#                Without one the run is in the C locale (on POSIX; under Wine,
#                LC_CTYPE alone may set the code page).
#   wrapper      a command the run goes through, one argument a line (limits
#                with prlimit, a variable with env; POSIX only)
# A case with a setup runs as the user nobody when the tests run as root,
# setup and check included, in a directory under /tmp (which nobody can
# reach, wherever the build is), so that permissions bind as for a user.
# On Windows the program's CR LF line ends and '\' separators in what it
# prints are read as LF and '/', so that the cases' texts serve both.
# The version line's date and time (what changes from run to run) are masked
# in both files; everything else is compared byte for byte.
cmake_minimum_required(VERSION 3.25)

set(reserved status stderr stdout args expected.std held setup check locale wrapper)

function(fail text)
  message(FATAL_ERROR "${CASE}: ${text}")
endfunction()

function(read_or_empty path out)
  set(text "")
  if(EXISTS "${path}")
    file(READ "${path}" text)
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Relative names with a hash of each file's bytes, sorted.
function(snapshot dir out)
  file(GLOB_RECURSE names LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*")
  list(SORT names)
  set(list "")
  foreach(name IN LISTS names)
    if(IS_SYMLINK "${dir}/${name}")
      file(READ_SYMLINK "${dir}/${name}" target)
      list(APPEND list "${name}->${target}")
    elseif(IS_DIRECTORY "${dir}/${name}")
      list(APPEND list "${name}/")
    else()
      # An empty file is not read: a FIFO (size 0) would wait for a writer.
      file(SIZE "${dir}/${name}" size)
      set(hash empty)
      if(size GREATER 0)
        file(SHA256 "${dir}/${name}" hash)
      endif()
      list(APPEND list "${name}=${hash}")
    endif()
  endforeach()
  set(${out} "${list}" PARENT_SCOPE)
endfunction()

# The file's bytes in hex (file(READ) as text drops CRs), with the version
# line's date and time masked.
function(masked path out)
  file(READ "${path}" hex HEX)
  # " 1\r\nVERSION  5. 0. 0DATE", ten bytes, "TIME", eight bytes, "\r\n"
  string(REPEAT "[0-9a-f]" 20 date)
  string(REPEAT "[0-9a-f]" 16 time)
  string(REGEX REPLACE "^(20310d0a56455253494f4e2020352e20302e203044415445)${date}54494d45${time}0d0a"
         "\\1<date>54494d45<time>0d0a" hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# The case's inputs, copied into a fresh directory.
function(prepare dir)
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(GLOB entries LIST_DIRECTORIES true RELATIVE "${CASE}" "${CASE}/*")
  foreach(name IN LISTS entries)
    if(NOT name IN_LIST reserved)
      file(COPY "${CASE}/${name}" DESTINATION "${dir}")
    endif()
  endforeach()
endfunction()

set(ENV{COR2TAVIK_THREADS} ${THREADS})
if(EXISTS "${CASE}/locale")
  file(STRINGS "${CASE}/locale" LOCALE)
endif()
set(ENV{LOCPATH} ${LOCPATH})
if(LOCALE)
  set(ENV{LC_ALL} ${LOCALE})
elseif(CTYPE)
  unset(ENV{LC_ALL})
  unset(ENV{LC_MESSAGES})
  unset(ENV{LANG})
  set(ENV{LC_CTYPE} ${CTYPE})
elseif(NOT WINDOWS)
  set(ENV{LC_ALL} C)
endif()
set(separator "/")
if(WINDOWS)
  set(separator "\\")
endif()

if(EXISTS "${CASE}/args")
  file(READ "${CASE}/args" args)
  string(REGEX REPLACE "\n$" "" args "${args}")
  string(REPLACE "\n" ";" args "${args}")
else()
  file(GLOB args RELATIVE "${CASE}" "${CASE}/*.dat3")
endif()
set(model "")
set(output "")
if(NOT args STREQUAL "")
  list(GET args 0 model)
  if(model STREQUAL "--")
    list(GET args 1 model)
  endif()
  string(REGEX REPLACE "\\.[^.]*$" "" stem "${model}")
  set(output "${stem}.std")
  if(WINDOWS)
    string(REPLACE "\\" "/" output "${output}")
  endif()
endif()

file(READ "${CASE}/status" want_status)
string(STRIP "${want_status}" want_status)
read_or_empty("${CASE}/stderr" want_err)
read_or_empty("${CASE}/stdout" want_out)

set(dir "${WORK}/case")
set(as_user "")
if(EXISTS "${CASE}/setup")
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(uid EQUAL 0 AND NOT WINDOWS)
    set(as_user setpriv --reuid=65534 --regid=65534 --clear-groups)
    string(RANDOM LENGTH 12 tag)
    set(WORK "/tmp/cor2tavik-case-${tag}")
    set(dir "${WORK}/case")
    # The converter where nobody may run it.
    list(POP_BACK COMMAND converter)
    file(COPY "${converter}" DESTINATION "${WORK}")
    get_filename_component(converter "${converter}" NAME)
    list(APPEND COMMAND "${WORK}/${converter}")
  endif()
endif()
prepare("${dir}")
if(as_user)
  execute_process(COMMAND chown -R 65534:65534 "${dir}")
endif()
set(emulator "${COMMAND}")
list(POP_BACK emulator)
list(JOIN emulator " " emulator)
set(ENV{EMULATOR} "${emulator}")
function(run_script name)
  if(EXISTS "${CASE}/${name}")
    # Read by the runner: nobody may not be able to reach the case's own directory.
    execute_process(COMMAND ${as_user} sh -e -s WORKING_DIRECTORY "${dir}" INPUT_FILE "${CASE}/${name}"
                    RESULT_VARIABLE script_status OUTPUT_VARIABLE script_out ERROR_VARIABLE script_out)
    if(NOT script_status EQUAL 0)
      fail("${name} failed (${script_status}):\n${script_out}")
    endif()
  endif()
endfunction()
run_script(setup)
snapshot("${dir}" before)
set(wrapper "")
if(EXISTS "${CASE}/wrapper")
  file(STRINGS "${CASE}/wrapper" wrapper)
endif()
execute_process(COMMAND ${as_user} ${wrapper} ${COMMAND} ${args} WORKING_DIRECTORY "${dir}" TIMEOUT 60
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(WINDOWS)
  foreach(text out err)
    string(REPLACE "\r\n" "\n" ${text} "${${text}}")
    string(REPLACE "\\" "/" ${text} "${${text}}")
  endforeach()
endif()
if(NOT status STREQUAL want_status)
  fail("exit status ${status}, want ${want_status}; stderr:\n${err}")
endif()
if(NOT err STREQUAL want_err)
  fail("stderr:\n${err}want:\n${want_err}")
endif()
if(NOT out STREQUAL want_out)
  fail("stdout:\n${out}want:\n${want_out}")
endif()

if(EXISTS "${CASE}/expected.std")
  if(NOT EXISTS "${dir}/${output}")
    fail("${output} was not written")
  endif()
  masked("${dir}/${output}" got)
  masked("${CASE}/expected.std" want)
  if(NOT got STREQUAL want)
    execute_process(COMMAND diff --text "${CASE}/expected.std" "${dir}/${output}" OUTPUT_VARIABLE where)
    string(SUBSTRING "${where}" 0 4000 where)
    fail("${output} differs from expected.std (the version line's date and time aside):\n${where}")
  endif()
endif()
if(EXISTS "${CASE}/check")
  run_script(check)
  file(GLOB_RECURSE left LIST_DIRECTORIES true "${dir}/*")
  list(FILTER left INCLUDE REGEX "/\\.cor2tavik-[^/]*$")
  if(left)
    fail("temporary files left: ${left}")
  endif()
else()
  if(EXISTS "${CASE}/expected.std")
    # Only the output may be new or changed.
    file(REMOVE "${dir}/${output}")
    list(FILTER before EXCLUDE REGEX "^${output}=")
  endif()
  snapshot("${dir}" after)
  if(NOT before STREQUAL after)
    fail("files before the run:\n  ${before}\nafter it:\n  ${after}")
  endif()
endif()

# Run again from a working directory on another file system, reaching the
# case through a link: a temporary file made anywhere but beside the output
# cannot be renamed into place.
if(ELSEWHERE AND EXISTS "${CASE}/expected.std" AND NOT EXISTS "${CASE}/args" AND NOT EXISTS "${CASE}/setup")
  prepare("${dir}")
  string(RANDOM LENGTH 12 tag)
  set(cwd "${ELSEWHERE}/cor2tavik-${tag}")
  file(MAKE_DIRECTORY "${cwd}")
  file(CREATE_LINK "${dir}" "${cwd}/in" SYMBOLIC)
  execute_process(COMMAND ${wrapper} ${COMMAND} "in${separator}${model}" WORKING_DIRECTORY "${cwd}" TIMEOUT 60
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  file(GLOB left LIST_DIRECTORIES true RELATIVE "${cwd}" "${cwd}/*")
  file(REMOVE_RECURSE "${cwd}")
  if(NOT status STREQUAL want_status OR NOT left STREQUAL "in")
    fail("run from ${ELSEWHERE}: status ${status}, left '${left}' there; stderr:\n${err}")
  endif()
  masked("${dir}/${output}" got)
  if(NOT got STREQUAL want)
    fail("run from ${ELSEWHERE}: ${output} differs")
  endif()
endif()
# A setup may have taken the write permission away.
execute_process(COMMAND chmod -R u+rwX "${WORK}")
file(REMOVE_RECURSE "${WORK}")
