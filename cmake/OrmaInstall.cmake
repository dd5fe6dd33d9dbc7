# What a station gets: the two Windows programs and the install note, as the component
# "station" that scripts/package stages (stripped) into each release package. Neither the
# stand-in library nor a Firebird client is installed: a station has its own.
if(NOT WIN32)
  return()
endif()

install(TARGETS OrmaOptimizeDB orma-optimize RUNTIME DESTINATION . COMPONENT station)
# Windows-1251 never enters it: UTF-8 with a byte order mark and CRLF line ends, which
# Notepad reads on every Windows a station runs.
install(FILES "${PROJECT_SOURCE_DIR}/docs/station/INSTALL.txt" DESTINATION . COMPONENT station)

# What scripts/package (OrmaPackage.cmake) needs to know of this tree.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(package_bits 32)
else()
  set(package_bits 64)
endif()
file(WRITE "${CMAKE_BINARY_DIR}/orma-package.cmake"
     "set(ORMA_PACKAGE_NAME \"OrmaOptimizeDB-${PROJECT_VERSION}-win${package_bits}\")\n")
