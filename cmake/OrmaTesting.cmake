# Test support for both builds.
#
# Native tests run directly. Windows tests run under Wine through CMAKE_CROSSCOMPILING_EMULATOR
# (scripts/wine-run), in a private prefix inside the build tree that the "wine" fixture creates
# once, with one warm wineserver and a private Xvfb display for the whole CTest run.
# Tests that need the Firebird server ask for the "firebird" fixture, which starts a private
# server on loopback (scripts/fbserver) and stops it after the last such test.

include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # googletest's own CMake defines the GTest:: aliases.
  # Its warnings are not ours to fix.
  set_target_properties(gtest gtest_main gmock gmock_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
else()
  find_package(GTest REQUIRED)
endif()

# One port and one display per build tree, so that several build trees on one machine
# (native and windows, or two checkouts) never share a server.
string(MD5 ORMA_BUILD_HASH "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${ORMA_BUILD_HASH}" 0 4 hash4)
math(EXPR ORMA_HASH_NUMBER "0x${hash4}" OUTPUT_FORMAT DECIMAL)
math(EXPR default_port "20000 + ${ORMA_HASH_NUMBER} % 20000")
set(ORMA_FB_PORT "${default_port}" CACHE STRING "TCP port of the private Firebird server of the tests")
set(ORMA_FB_PASSWORD "orma2026" CACHE STRING "SYSDBA password of the private Firebird server of the tests")
set(ORMA_FB_ROOT "${CMAKE_BINARY_DIR}/fbserver")
set(ORMA_SCRIPTS "${PROJECT_SOURCE_DIR}/scripts")

if(CMAKE_CROSSCOMPILING)
  set(ORMA_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${ORMA_SCRIPTS}/wine-run;${ORMA_WINE_DIR}" CACHE STRING "" FORCE)
endif()

# Environment that every test gets: where the private server is and how to reach it.
set(ORMA_TEST_ENVIRONMENT
  "ORMA_FB_PORT=${ORMA_FB_PORT}"
  "ORMA_FB_PASSWORD=${ORMA_FB_PASSWORD}"
  "ORMA_FB_ROOT=${ORMA_FB_ROOT}"
  "ORMA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
  "ORMA_BINARY_DIR=${CMAKE_BINARY_DIR}")

# Natively every test program runs through this launcher, which sets the environment above.
set(ORMA_TEST_LAUNCHER "${CMAKE_BINARY_DIR}/test-launcher")
list(JOIN ORMA_TEST_ENVIRONMENT "' '" launcher_exports)
file(WRITE "${ORMA_TEST_LAUNCHER}" "#!/bin/sh\nexport '${launcher_exports}'\nexec \"$@\"\n")
file(CHMOD "${ORMA_TEST_LAUNCHER}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# orma_add_test(NAME <target> SOURCES <files...> [LIBS <targets...>] [FIXTURES <names...>]
#               [RESOURCE_LOCK <names...>] [NATIVE_ONLY] [WINDOWS_ONLY] [OWN_MAIN] [TIMEOUT <seconds>])
# Builds one GoogleTest program. Natively every test case becomes its own CTest test; under Wine
# the whole program is one CTest test, because discovery would start Wine at build time.
# RESOURCE_LOCK names what the test shares with others, so that `ctest -j` never runs two
# such tests at once:
#   orma_wine_station  C:\RUDE in the prefix, the stored path in HKCU, the Firebird client
#                      registered in HKLM
#   orma_wine_display  the display's pointer, keyboard focus and active window: tests that
#                      show windows, click or type
# OWN_MAIN: the program has its own main, which may end with orma_skip_exit_code when the
# test cannot run on this machine; CTest then reports it as skipped, with the reason it printed.
set(orma_skip_exit_code 77)
# The display lock for tests that show windows: only under Wine is there a display to share.
if(CMAKE_CROSSCOMPILING)
  set(orma_display_lock orma_wine_display)
else()
  set(orma_display_lock "")
endif()
function(orma_add_test)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY;OWN_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS;FIXTURES;RESOURCE_LOCK" ${ARGN})
  if(T_NATIVE_ONLY AND CMAKE_CROSSCOMPILING)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_OWN_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest Threads::Threads)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  target_include_directories(${T_NAME} PRIVATE "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}/tests")
  set(fixtures ${T_FIXTURES})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND fixtures wine)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED "${fixtures}" ENVIRONMENT "${ORMA_TEST_ENVIRONMENT}" TIMEOUT ${T_TIMEOUT}
      LABELS windows SKIP_RETURN_CODE ${orma_skip_exit_code})
    if(T_RESOURCE_LOCK)
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
  else()
    # Discovery splits list-valued properties apart, so the environment comes from a launcher
    # script instead of the ENVIRONMENT property; and at most one fixture is named here.
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${ORMA_TEST_LAUNCHER}")
    list(LENGTH fixtures fixture_count)
    if(fixture_count GREATER 1)
      message(FATAL_ERROR "${T_NAME}: native tests can require one fixture only")
    endif()
    if(T_RESOURCE_LOCK)
      list(LENGTH T_RESOURCE_LOCK lock_count)
      if(lock_count GREATER 1)
        message(FATAL_ERROR "${T_NAME}: native tests can hold one resource lock only")
      endif()
      set(lock_property RESOURCE_LOCK ${T_RESOURCE_LOCK})
    endif()
    gtest_discover_tests(${T_NAME}
      DISCOVERY_TIMEOUT 60
      PROPERTIES FIXTURES_REQUIRED "${fixtures}" TIMEOUT ${T_TIMEOUT} LABELS native ${lock_property})
  endif()
endfunction()

# Fixtures. They are defined once, by tests/CMakeLists.txt.
function(orma_add_fixtures)
  add_test(NAME fixture.firebird.start COMMAND "${ORMA_SCRIPTS}/fbserver" start)
  add_test(NAME fixture.firebird.stop COMMAND "${ORMA_SCRIPTS}/fbserver" stop)
  set_tests_properties(fixture.firebird.start PROPERTIES FIXTURES_SETUP firebird
    ENVIRONMENT "${ORMA_TEST_ENVIRONMENT}" TIMEOUT 120)
  set_tests_properties(fixture.firebird.stop PROPERTIES FIXTURES_CLEANUP firebird
    ENVIRONMENT "${ORMA_TEST_ENVIRONMENT}" TIMEOUT 60)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME fixture.wine.start COMMAND "${ORMA_SCRIPTS}/wine-env" start "${ORMA_WINE_DIR}")
    add_test(NAME fixture.wine.stop COMMAND "${ORMA_SCRIPTS}/wine-env" stop "${ORMA_WINE_DIR}")
    set_tests_properties(fixture.wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    set_tests_properties(fixture.wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
  endif()
endfunction()
