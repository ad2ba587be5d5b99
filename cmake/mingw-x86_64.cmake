# Cross build of the same sources as a 64-bit exe, for testing only: on hosts
# whose kernel runs no 32-bit program, the Wine tests and the tour run on it.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tolvane_triplet x86_64-w64-mingw32)
# Wine's 64-bit loader, called directly: Debian's wine script takes the 32-bit
# one whenever it is installed, whether or not it can start.
set(tolvane_wine_loader /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
