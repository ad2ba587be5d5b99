# What the two MinGW-w64 toolchains share; each sets CMAKE_SYSTEM_PROCESSOR,
# tolvane_triplet and its Wine loader first. The posix thread variant is the
# one whose C++ library has std::mutex (GoogleTest needs it).
set(CMAKE_SYSTEM_NAME Windows)

# ctest runs the Windows test programs under Wine. The scripts pass the loader
# whose start they checked, so the tests run under that one.
set(TOLVANE_WINE_LOADER ${tolvane_wine_loader} CACHE FILEPATH "The Wine loader ctest runs test programs under")
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_WINE_LOADER})

set(CMAKE_C_COMPILER ${tolvane_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tolvane_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${tolvane_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${tolvane_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One self-contained exe: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
