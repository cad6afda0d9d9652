enable_language(RC)
# The Win32 backend and the Windows program. The dialog templates, the
# string table and the icon become real resources: a tool built for this
# machine writes them from Resources.cpp and the XPM artwork, and windres
# compiles them.
target_sources(cor2tavik_gui PRIVATE
  dialogkit/win32/CommonDialogs.cpp
  dialogkit/win32/Dialog.cpp
  dialogkit/win32/WinApp.cpp
)
target_link_libraries(cor2tavik_gui PUBLIC comctl32 comdlg32 ole32 shell32 uuid)

find_program(COR2TAVIK_HOST_CXX NAMES g++ c++ REQUIRED)
set(resource_tool ${CMAKE_CURRENT_BINARY_DIR}/WindowsResources)
set(resource_tool_sources WindowsResources.cpp Resources.cpp dialogkit/ResourceModule.cpp)
list(TRANSFORM resource_tool_sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
add_custom_command(
  OUTPUT ${resource_tool}
  COMMAND ${COR2TAVIK_HOST_CXX} -std=c++20 -O1 -I${CMAKE_CURRENT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/core/include
          ${resource_tool_sources} -o ${resource_tool}
  DEPENDS ${resource_tool_sources} Resource.h Resources.h ${PROJECT_SOURCE_DIR}/core/include/cor2tavik/VersionInfo.h
          dialogkit/ResourceModule.h dialogkit/Styles.h
          icons/cor2tavik-32.xpm icons/cor2tavik-16.xpm
  COMMENT "Building the resource tool for this machine")
set(tables_rc ${CMAKE_CURRENT_BINARY_DIR}/Cor2TavikTables.rc)
set(icon_file ${CMAKE_CURRENT_BINARY_DIR}/cor2tavik.ico)
add_custom_command(
  OUTPUT ${tables_rc} ${icon_file}
  COMMAND ${resource_tool} ${tables_rc} ${icon_file}
  DEPENDS ${resource_tool}
  COMMENT "Writing the dialogs, the string table and the icon as Windows resources")

add_executable(Cor2Tavik WIN32 Main.cpp Cor2Tavik.rc ${tables_rc})
# windres looks up the files a script names (icon, manifest) on the include path.
target_include_directories(Cor2Tavik PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
# The manifest names the build's own processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(COR2TAVIK_MANIFEST_ARCH x86)
else()
  set(COR2TAVIK_MANIFEST_ARCH amd64)
endif()
configure_file(Cor2Tavik.manifest.in Cor2Tavik.manifest @ONLY)
set_source_files_properties(Cor2Tavik.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/Cor2Tavik.manifest)
set_source_files_properties(${tables_rc} PROPERTIES OBJECT_DEPENDS ${icon_file})
target_link_libraries(Cor2Tavik PRIVATE cor2tavik_gui)

if(COR2TAVIK_TESTS)
  include(../tests/gui/WineCheck.cmake)
endif()
