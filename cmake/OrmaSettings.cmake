# Compiler settings shared by every target of both builds.

if(WIN32)
  set(ORMA_PLATFORM windows)
else()
  set(ORMA_PLATFORM posix)
endif()

# Warnings are errors in the presets (CMAKE_COMPILE_WARNING_AS_ERROR), not for every compiler
# that someone builds with.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
if(WIN32)
  # Wide-character Win32 calls everywhere; never the ANSI code page.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # A static runtime: the .exe and .dll files need only the system's DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  enable_language(RC)
  include("${CMAKE_CURRENT_LIST_DIR}/OrmaVersionInfo.cmake")
endif()

find_package(Threads REQUIRED)

# Adds every immediate subfolder of DIR that has a CMakeLists.txt, in name order,
# so that a new module needs no edit of a shared list.
function(orma_add_subdirectories dir)
  file(GLOB children RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}/${dir}" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt")
      add_subdirectory("${dir}/${child}")
    endif()
  endforeach()
endfunction()
