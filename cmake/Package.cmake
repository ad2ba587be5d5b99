# The release: Tolvane-<version>-win32.zip, holding Tolvane.exe and a read-me
# at its top level, and SHA256SUMS beside it for the zip and the exe.
# `cmake --build <win32 build> --target package` builds the program first.
# The same commit gives the same bytes: see cmake/MakeRelease.cmake.
# Only the 32-bit build is released; a 64-bit tree is for testing.
if(NOT WIN32 OR NOT TARGET Tolvane OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  return()
endif()

# Made on every build of the target: the zip's date is the commit's, which
# changes without any file the zip depends on changing.
set(tolvane_zip ${CMAKE_BINARY_DIR}/Tolvane-${TOLVANE_VERSION_TEXT}-win32.zip)
# A build tree once configured with CPack keeps its files, which reserve the name.
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:Tolvane> -DZIP=${tolvane_zip}
          -DREADME=${CMAKE_SOURCE_DIR}/packaging/README.txt -DVERSION=${TOLVANE_VERSION_TEXT}
          -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/MakeRelease.cmake
  DEPENDS Tolvane
  BYPRODUCTS ${tolvane_zip} ${CMAKE_BINARY_DIR}/SHA256SUMS
  VERBATIM)
