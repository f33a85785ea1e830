# Shared helpers for the folders of the tree.
include(${CMAKE_CURRENT_LIST_DIR}/Layering.cmake)
#
# tamblero_library(NAME SOURCES ... [DEPS ...])
#   One static library per folder; the repository root is on the include path,
#   so headers are included as "platform/core/Classes.h", "archive/arcZip.h", ...
function(tamblero_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  tamblero_layering_watch_directory()
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
  tamblero_layering_watch_directory()
  add_executable(${name} ${A_SOURCES})
  set_property(TARGET ${name} PROPERTY TAMBLERO_KIND test)
  target_link_libraries(${name} PRIVATE ${A_DEPS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
  tamblero_test_build_settings(${name})
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
  tamblero_layering_watch_directory()
  add_executable(${name} ${A_SOURCES})
  set_property(TARGET ${name} PROPERTY TAMBLERO_KIND tool)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()

# tamblero_fuzz_target(NAME SOURCE file LIBRARY lib [LIBS -l...])
#   A libFuzzer program made from SOURCE and LIBRARY, in the fuzz
#   configuration only (TAMBLERO_FUZZ, configured with clang++, where every
#   library is compiled once with the fuzzer's coverage and the sanitizers);
#   LIBS are the system libraries it links. The plain and sanitizer passes
#   make no fuzz program. scripts/fuzz builds and runs them.
function(tamblero_fuzz_target name)
  cmake_parse_arguments(A "" "SOURCE;LIBRARY" "LIBS" ${ARGN})
  if(NOT TAMBLERO_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBRARY} ${A_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# How test executables are compiled. The code under test is built as the
# pass builds it; the tests' own code (GoogleTest's macros, tables of cases)
# is compiled at -O1 (-O0 under the sanitizers, where optimising it costs
# most), which changes nothing a test checks, and a target's test sources are
# compiled together (a unity build), so GoogleTest and the project's headers
# are read and instantiated once a target.
# A source that cannot share a unit with the others (its file-local helpers
# clash with theirs) is marked in its folder with
#   set_source_files_properties(tests/X.cpp PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
# GCC takes file-local classes under test fixtures in a unity unit for ones
# in a header (-Wsubobject-linkage); they are not. At -O1 GCC 12 also warns
# of values held in std::optional as "maybe uninitialized" where they are not.
function(tamblero_test_build_settings name)
  if(TAMBLERO_SANITIZE)
    target_compile_options(${name} PRIVATE -O0 -Wno-subobject-linkage)
  else()
    target_compile_options(${name} PRIVATE -O1 -Wno-subobject-linkage -Wno-maybe-uninitialized)
  endif()
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE BATCH UNITY_BUILD_BATCH_SIZE 0)
endfunction()
