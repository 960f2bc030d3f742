# 64-bit Windows: the same sources, for running the Windows tests on machines whose kernel cannot
# execute 32-bit code, where 32-bit Wine does not run.
set(FERRIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
