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
#   labelled with the subsystem's label.
function(tamblero_tests name)
  cmake_parse_arguments(A "" "LABEL;TIMEOUT" "SOURCES;DEPS;ENV" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    TAMBLERO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TAMBLERO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set(env "TAMBLERO_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "TAMBLERO_BIN_DIR=${PROJECT_BINARY_DIR}/bin" ${A_ENV})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${A_LABEL}" TIMEOUT ${A_TIMEOUT} ENVIRONMENT "${env}")
endfunction()

# tamblero_tool(NAME SOURCES ... [DEPS ...]): a command-line tool in build/bin.
function(tamblero_tool name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()
