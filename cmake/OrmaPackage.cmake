# One release package from a Windows build tree whose programs are built:
#   cmake -DBUILD_DIR=<tree> -DOUT_DIR=<folder> -P cmake/OrmaPackage.cmake
# Installs the tree's "station" component (OrmaInstall.cmake) stripped of debug information
# into OUT_DIR/OrmaOptimizeDB-<version>-win<bits>/, writes SHA256SUMS of its files there
# (the sha256sum format, CRLF line ends so that Notepad shows one file a line) and zips the
# folder into OUT_DIR/OrmaOptimizeDB-<version>-win<bits>.zip.
foreach(variable BUILD_DIR OUT_DIR)
  if(NOT ${variable})
    message(FATAL_ERROR "usage: cmake -DBUILD_DIR=<tree> -DOUT_DIR=<folder> -P OrmaPackage.cmake")
  endif()
endforeach()
include("${BUILD_DIR}/orma-package.cmake")

set(stage "${OUT_DIR}/${ORMA_PACKAGE_NAME}")
file(REMOVE_RECURSE "${stage}" "${stage}.zip")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component station --strip --prefix "${stage}"
                COMMAND_ERROR_IS_FATAL ANY)

file(GLOB files RELATIVE "${stage}" "${stage}/*")
list(SORT files)
set(sums "")
foreach(name IN LISTS files)
  file(SHA256 "${stage}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\r\n")
endforeach()
file(WRITE "${stage}/SHA256SUMS" "${sums}")

execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ORMA_PACKAGE_NAME}.zip" --format=zip "${ORMA_PACKAGE_NAME}"
                WORKING_DIRECTORY "${OUT_DIR}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE "${stage}")
message(STATUS "${OUT_DIR}/${ORMA_PACKAGE_NAME}.zip")
