# Shared helpers for the folders of the tree.
#
# tamblero_library(NAME SOURCES ... [DEPS ...])
#   One static library per folder; the repository root is on the include path,
#   so headers are included as "platform/core/Classes.h", "archive/arcZip.h", ...
function(tamblero_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(A_DEPS)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
endfunction()

# tamblero_tests(NAME LABEL label SOURCES ... [DEPS ...] [ENV VAR=value ...])
#   A GoogleTest executable whose tests are registered with ctest, each
#   labelled with the subsystem's label; it links the shared test-support
#   library (tests/support).
function(tamblero_tests name)
  cmake_parse_arguments(A "" "LABEL;TIMEOUT" "SOURCES;DEPS;ENV" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    TAMBLERO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TAMBLERO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  # The environment goes through env(1) as the test's launcher: ctest's
  # ENVIRONMENT property cannot carry a list through gtest_discover_tests.
  set(env "TAMBLERO_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "TAMBLERO_BIN_DIR=${PROJECT_BINARY_DIR}/bin" ${A_ENV})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
  # One label a test: a list cannot pass through gtest_discover_tests either.
  list(GET A_LABEL 0 label)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS ${label} TIMEOUT ${A_TIMEOUT})
endfunction()

# tamblero_tool(NAME SOURCES ... [DEPS ...]): a command-line tool in build/bin.
function(tamblero_tool name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()
