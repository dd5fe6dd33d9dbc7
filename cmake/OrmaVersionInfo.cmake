# The version of the Windows programs, from project(... VERSION ...): a VERSIONINFO resource
# per program, and the values the manifest takes.

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ORMA_BITS 32)
  set(ORMA_MANIFEST_ARCHITECTURE x86)
else()
  set(ORMA_BITS 64)
  set(ORMA_MANIFEST_ARCHITECTURE amd64)
endif()
set(ORMA_MANIFEST_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

# orma_add_version_info(<target> <description>): the target's file gets a VERSIONINFO with the
# description (Russian; the bitness is added) and the product's name and version.
function(orma_add_version_info target description)
  set(ORMA_VI_NAME "${target}")
  set(ORMA_VI_FILE "${target}.exe")
  set(ORMA_VI_DESCRIPTION "${description}")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
