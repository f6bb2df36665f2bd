# Test helpers shared by every build. Natively GoogleTest comes from Debian's packages; the
# MinGW builds compile it from Debian's source package with the cross compiler.
if(NOT ORNIC_BUILD_TESTS)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  set(ORNIC_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${ORNIC_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest's own build defines the GTest:: aliases.
else()
  find_package(GTest REQUIRED)
endif()

# Under wine every test shares one prefix; it is made once, before the tests, so that parallel
# first starts do not race to create it.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME wine_prefix_setup
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine_prefix_setup PROPERTIES
    FIXTURES_SETUP wineprefix
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    TIMEOUT 300)
endif()

# ornic_add_test(<name> [GLOBAL_LOG] SOURCES ... LIBS ... LABELS ...)
# One CTest test per binary: under wine each start costs about a second. Every test includes
# from the project root ("util/Logger.h") and from tests/ ("support/TempDir.h").
# GLOBAL_LOG links the test support library, whose test environment starts the process-wide
# logger with a sink that keeps every line (support/GlobalLog.h). It is linked whole: a
# program need not refer to that environment for it to be registered.
function(ornic_add_test name)
  cmake_parse_arguments(T "GLOBAL_LOG" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(T_GLOBAL_LOG)
    target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,ornic_test_support>")
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # One wine test at a time: parallel wine processes have been seen to stall a run.
    set_tests_properties(${name} PROPERTIES
      FIXTURES_REQUIRED wineprefix
      ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
      RUN_SERIAL TRUE
      TIMEOUT 300)
  endif()
endfunction()
