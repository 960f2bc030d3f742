# What the two MinGW-w64 (posix threads) toolchain files share; they set FERRIK_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${FERRIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FERRIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FERRIK_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${FERRIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows binaries built here run under Wine: tests and discovery go through this runner.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
