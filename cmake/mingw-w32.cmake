# 32-bit Windows: the program as shipped. The player's control is a 32-bit in-process ActiveX
# control, so the program that hosts it must be 32-bit too.
set(FERRIK_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
