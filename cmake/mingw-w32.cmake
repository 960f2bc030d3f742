# 32-bit Windows: the program as shipped. The player's control is a 32-bit in-process ActiveX
# control, so the program that hosts it must be 32-bit too.
set(FERRIK_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# SSE2, so that the text searches and the UTF-8 widening take their SIMD paths: every Windows the
# manifest names runs on SSE2 hardware (8 and later require it). Windows calls back (window
# procedures, COM methods, thread entries, timer and enumeration callbacks) with the stack aligned
# to 4 bytes only: a function that keeps SSE values on its stack realigns it itself.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
