# The release: one zip, Tolvane-<version>-win32.zip, holding Tolvane.exe and a
# read-me at its top level. `cmake --build <win32 build> --target package`
# builds the program first.
if(NOT WIN32 OR NOT TARGET Tolvane)
  return()
endif()

# Windows editors expect CRLF; the byte order mark makes older Notepad read
# the Chinese half as UTF-8 rather than as the ANSI code page.
string(ASCII 239 187 191 tolvane_utf8_bom)
set(tolvane_readme_source ${CMAKE_SOURCE_DIR}/packaging/README.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tolvane_readme_source})
file(READ ${tolvane_readme_source} tolvane_readme)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/README.txt
     CONTENT "${tolvane_utf8_bom}${tolvane_readme}" @ONLY NEWLINE_STYLE CRLF)

install(TARGETS Tolvane RUNTIME DESTINATION . COMPONENT release)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tolvane)
set(CPACK_PACKAGE_VERSION ${TOLVANE_VERSION_TEXT})
set(CPACK_PACKAGE_FILE_NAME "Tolvane-${TOLVANE_VERSION_TEXT}-win32")
# Extracting makes a folder named after the zip already; no second one inside.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the release component: test programs never end up in the zip.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Tolvane;release;/")
set(CPACK_STRIP_FILES ON)
include(CPack)
