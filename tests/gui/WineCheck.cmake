# The resources built into Cor2Tavik.exe, read back by the toolchain's own
# windres (check-resources.sh against resources.rc).
add_test(NAME gui.Resources
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check-resources.sh ${CMAKE_RC_COMPILER} $<TARGET_FILE:Cor2Tavik>)

# The Windows dialog end to end under Wine, on a private Xvfb display
# (wine-dialog-check.sh), in a prefix of the build's architecture.
# Screenshots of each state go to the folder named by COR2TAVIK_SHOTS, when
# set.
add_executable(WineProbe ${CMAKE_CURRENT_LIST_DIR}/WineProbe.cpp)
target_link_options(WineProbe PRIVATE -municode)
# The same dialog with a job that throws.
add_executable(Cor2TavikEscaping WIN32 ${CMAKE_CURRENT_LIST_DIR}/EscapingJob.cpp Cor2Tavik.rc ${tables_rc})
target_include_directories(Cor2TavikEscaping PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(Cor2TavikEscaping PRIVATE cor2tavik_gui)
add_test(NAME gui.DialogUnderWine
  COMMAND ${CMAKE_COMMAND} -E env WINEARCH=${COR2TAVIK_WINEARCH}
          bash ${CMAKE_CURRENT_LIST_DIR}/wine-dialog-check.sh $<TARGET_FILE:Cor2Tavik> $<TARGET_FILE:WineProbe>
          $<TARGET_FILE:Cor2TavikEscaping>
          ${CMAKE_CURRENT_BINARY_DIR}/wine-check)
set_tests_properties(gui.DialogUnderWine PROPERTIES TIMEOUT 300)
