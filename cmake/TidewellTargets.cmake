# Helpers shared by the subsystem folders.
#
# tidewell_sources(PORTABLE files... WIN32 files...)
#   Adds a subsystem's files to the plug-in: PORTABLE files need no Windows header and build
#   in both trees (library tidewell_logic); WIN32 files are the platform shell (library
#   tidewell_shell, Win32 tree only).
#
# tidewell_test(NAME name LABELS labels... SOURCES files... [LIBS libs...] [WIN32_ONLY]
#               [LAUNCHER command...])
#   A GoogleTest program. Native tests become one CTest test per test case; a Win32 test
#   program is one CTest test run under Wine (starting Wine per case would cost seconds).
#   LAUNCHER (Win32 only) wraps the run: `command... wine-run program`, for example a
#   private PulseAudio session around a test that records from a real device.
#
# tidewell_missing_part(NAME name REASON text)
#   A part this tree cannot build (its compiler or library is missing) becomes a test that
#   fails and says so, so that `make test` never passes with the part silently left out.

function(tidewell_sources)
  cmake_parse_arguments(S "" "" "PORTABLE;WIN32" ${ARGN})
  foreach(f IN LISTS S_PORTABLE)
    set_property(GLOBAL APPEND PROPERTY TIDEWELL_PORTABLE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  foreach(f IN LISTS S_WIN32)
    set_property(GLOBAL APPEND PROPERTY TIDEWELL_WIN32_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
endfunction()

if(TIDEWELL_WIN32)
  # GoogleTest from the sources Debian's googletest package installs, built for Win32.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_library(tidewell_gtest INTERFACE)
  target_link_libraries(tidewell_gtest INTERFACE gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_library(tidewell_gtest INTERFACE)
  target_link_libraries(tidewell_gtest INTERFACE GTest::gmock GTest::gtest_main)
endif()

function(tidewell_test)
  cmake_parse_arguments(T "WIN32_ONLY;NATIVE_ONLY" "NAME;TIMEOUT" "LABELS;SOURCES;LIBS;DEPENDS;LAUNCHER" ${ARGN})
  if(T_WIN32_ONLY AND NOT TIDEWELL_WIN32)
    return()
  endif()
  if(T_NATIVE_ONLY AND TIDEWELL_WIN32)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tidewell_gtest)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  if(TIDEWELL_WIN32 AND T_LAUNCHER)
    add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${T_NAME}>
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  elseif(TIDEWELL_WIN32)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  else()
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

function(tidewell_missing_part)
  cmake_parse_arguments(M "" "NAME;REASON" "" ${ARGN})
  message(WARNING "${M_NAME} is not built: ${M_REASON}")
  add_test(NAME missing_${M_NAME}
           COMMAND ${CMAKE_COMMAND} -E echo "MISSING ${M_NAME} is not built: ${M_REASON}")
  set_tests_properties(missing_${M_NAME} PROPERTIES FAIL_REGULAR_EXPRESSION "MISSING ")
endfunction()
