# Cross compilation for 64-bit Windows with MinGW-w64: the build whose programs the tests run
# under Wine, and the package for stations whose utility library is 64-bit.
set(ORMA_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
