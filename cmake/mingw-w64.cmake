# What both MinGW-w64 toolchain files share; they set ORMA_MINGW_TARGET and the processor first.
# The posix thread model, so that std::thread, std::mutex and GoogleTest compile.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ORMA_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORMA_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORMA_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORMA_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
