# Runs orma-optimize once and checks what it did, for the builds where a test program cannot
# start it itself (Windows, under Wine):
#   cmake -DRUN=<emulator|program> -DARGS=<arg|arg> -DEXPECT_EXIT=<code> -DEXPECT_ERR=<start of stderr>
#         [-DEXPECT_OUT=<all of stdout, none by default>]
#         [-DZELMAR=<dll to put at C:\RUDE\Zelmar.dll, or NONE>] -DRUDE=<host folder of C:\RUDE> -P run_console.cmake
# A Zelmar.dll found at C:\RUDE is set aside for the run and put back afterwards. Every run
# but --version must leave a status file with its exit code.
string(REPLACE "|" ";" RUN "${RUN}")
string(REPLACE "|" ";" ARGS "${ARGS}")
set(zelmar_path "${RUDE}/Zelmar.dll")
set(kept "${RUDE}/Zelmar.dll.kept-by-console-test")
file(MAKE_DIRECTORY "${RUDE}")
if(EXISTS "${zelmar_path}")
  file(RENAME "${zelmar_path}" "${kept}")
endif()
if(ZELMAR AND NOT ZELMAR STREQUAL "NONE")
  file(COPY_FILE "${ZELMAR}" "${zelmar_path}")
endif()

set(status_path "${RUDE}/LogFiles/OrmaOptimizeDB.status")
file(REMOVE "${status_path}")
execute_process(COMMAND ${RUN} ${ARGS} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)

file(REMOVE "${zelmar_path}")
if(EXISTS "${kept}")
  file(RENAME "${kept}" "${zelmar_path}")
endif()

string(LENGTH "${EXPECT_ERR}" expected_length)
string(SUBSTRING "${err}" 0 ${expected_length} err_start)
if(NOT code STREQUAL EXPECT_EXIT OR NOT err_start STREQUAL EXPECT_ERR OR NOT out STREQUAL "${EXPECT_OUT}")
  message(FATAL_ERROR "orma-optimize ${ARGS}\n  exit code: ${code} (expected ${EXPECT_EXIT})\n"
                      "  standard error: [${err}]\n  expected to start with: [${EXPECT_ERR}]\n"
                      "  standard output: [${out}] (expected [${EXPECT_OUT}])")
endif()
set(status "")
if(EXISTS "${status_path}")
  file(READ "${status_path}" status)   # reads "\r\n" as "\n"
endif()
if(NOT ARGS STREQUAL "--version" AND NOT status MATCHES "\nexit_code=${EXPECT_EXIT}\n")
  message(FATAL_ERROR "orma-optimize ${ARGS}: no status with exit code ${EXPECT_EXIT}: [${status}]")
endif()
