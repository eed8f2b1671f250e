# Test plumbing shared by every folder.
#
# Native builds use the system GoogleTest. Windows builds compile Debian's
# GoogleTest sources with the cross compiler; CTest then runs the .exe tests
# through the Wine wrapper set as CMAKE_CROSSCOMPILING_EMULATOR.
if(NOT BUILD_TESTING)
  return()
endif()

if(WIN32)
  set(KAVREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to cross-build")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KAVREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # The debug information is for the shipped programs; GoogleTest and the
  # test programs' own files are built without it, which makes test builds faster.
  target_compile_options(gtest PRIVATE -g0)
  target_compile_options(gtest_main PRIVATE -g0)

  set(KAVREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private Wine prefix for tests and runs")
  configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
else()
  find_package(GTest REQUIRED)
endif()

include(GoogleTest)

# kavrel_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [RESOURCE_LOCK ...] [TIMEOUT s]
#                 [ENVIRONMENT VAR=VALUE...])
# One GoogleTest executable; every test case becomes its own CTest test.
function(kavrel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32)
    # Console test programs; GoogleTest output goes to stdout. No debug
    # information of their own, and none kept from the libraries at the link.
    target_link_options(${T_NAME} PRIVATE -mconsole -Wl,--strip-debug)
    target_compile_options(${T_NAME} PRIVATE -g0)
    # Listed and run through a launcher that starts the program again when
    # Wine failed to start it (scripts/wine-gtest.sh.in), one per emulator.
    get_filename_component(emulator_name ${CMAKE_CROSSCOMPILING_EMULATOR} NAME_WE)
    set(KAVREL_TEST_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR})
    set(launcher ${CMAKE_BINARY_DIR}/gtest-${emulator_name}.sh)
    configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-gtest.sh.in ${launcher} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR ${launcher})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  if(T_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
