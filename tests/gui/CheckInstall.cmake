# Installs the build into PREFIX and checks the desktop program's files.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/Cor2Tavik
          share/applications/cor2tavik.desktop
          share/icons/hicolor/32x32/apps/cor2tavik.png
          share/icons/hicolor/16x16/apps/cor2tavik.png)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/cor2tavik.desktop" entry)
foreach(line "Exec=Cor2Tavik" "Icon=cor2tavik" "Type=Application")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "cor2tavik.desktop lacks ${line}")
  endif()
endforeach()
