# Cross compilation for 32-bit Windows with MinGW-w64, the station build: a station's utility
# library is 32-bit, and a process loads only libraries of its own bitness.
set(ORMA_MINGW_TARGET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
