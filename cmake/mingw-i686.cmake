# Cross build of the 32-bit Windows exe, the one released, with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(tolvane_triplet i686-w64-mingw32)
# Wine's 32-bit loader, by its path: a wine first on PATH may be another one.
set(tolvane_wine_loader /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
