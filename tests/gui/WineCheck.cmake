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
add_test(NAME gui.DialogUnderWine
  COMMAND ${CMAKE_COMMAND} -E env WINEARCH=${COR2TAVIK_WINEARCH}
          bash ${CMAKE_CURRENT_LIST_DIR}/wine-dialog-check.sh $<TARGET_FILE:Cor2Tavik> $<TARGET_FILE:WineProbe>
          ${CMAKE_CURRENT_BINARY_DIR}/wine-check)
set_tests_properties(gui.DialogUnderWine PROPERTIES TIMEOUT 300)
