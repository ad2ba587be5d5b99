# Cross build of the 32-bit Windows exe, the one released, with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(tolvane_triplet i686-w64-mingw32)
# ctest runs the Windows test executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
