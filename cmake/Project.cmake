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
  target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()

# tamblero_fuzz_target(NAME SOURCE file LIBRARY lib [LIBS -l...])
#   A libFuzzer target built with Debian's clang++ (libFuzzer, AddressSanitizer
#   and UndefinedBehaviorSanitizer) straight from SOURCE and the sources of
#   LIBRARY and of the tree's libraries under it, one object a source so the
#   compiles run in parallel; LIBS are the system libraries it links. Made only
#   when clang++ is present and outside the sanitizer build; sets
#   TAMBLERO_FUZZ_BIN in the caller to the program's path.
function(tamblero_collect_sources target)
  get_property(seen GLOBAL PROPERTY TAMBLERO_FUZZ_SEEN)
  if(NOT TARGET ${target} OR target IN_LIST seen)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY TAMBLERO_FUZZ_SEEN ${target})
  get_target_property(imported ${target} IMPORTED)
  if(imported)
    return()
  endif()
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(srcs ${target} SOURCES)
  foreach(src ${srcs})
    if(src MATCHES "\\.cpp$")
      cmake_path(ABSOLUTE_PATH src BASE_DIRECTORY ${dir})
      set_property(GLOBAL APPEND PROPERTY TAMBLERO_FUZZ_SOURCES ${src})
    endif()
  endforeach()
  get_target_property(deps ${target} INTERFACE_LINK_LIBRARIES)
  foreach(dep ${deps})
    tamblero_collect_sources(${dep})
  endforeach()
endfunction()

function(tamblero_fuzz_target name)
  cmake_parse_arguments(A "" "SOURCE;LIBRARY" "LIBS" ${ARGN})
  set(TAMBLERO_FUZZ_BIN "" PARENT_SCOPE)
  find_program(TAMBLERO_CLANGXX NAMES clang++ clang++-14)
  if(NOT TAMBLERO_CLANGXX OR TAMBLERO_SANITIZE)
    return()
  endif()
  set_property(GLOBAL PROPERTY TAMBLERO_FUZZ_SEEN "")
  set_property(GLOBAL PROPERTY TAMBLERO_FUZZ_SOURCES "")
  tamblero_collect_sources(${A_LIBRARY})
  get_property(library_sources GLOBAL PROPERTY TAMBLERO_FUZZ_SOURCES)
  cmake_path(ABSOLUTE_PATH A_SOURCE BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set(flags -std=c++20 -O1 -g1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  # Ninja makes an output's folder itself; the Makefile generators do not.
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}_objects)
  set(objects)
  foreach(src ${A_SOURCE} ${library_sources})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${src})
    string(REPLACE "/" "_" obj ${rel})
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/${name}_objects/${obj}.o)
    add_custom_command(OUTPUT ${obj}
      COMMAND ${TAMBLERO_CLANGXX} ${flags} -I${PROJECT_SOURCE_DIR} -MD -MF ${obj}.d -c ${src} -o ${obj}
      DEPENDS ${src}
      DEPFILE ${obj}.d
      COMMENT "Compiling ${rel} for ${name}"
      VERBATIM)
    list(APPEND objects ${obj})
  endforeach()
  set(bin ${CMAKE_BINARY_DIR}/bin/${name})
  add_custom_command(OUTPUT ${bin}
    COMMAND ${TAMBLERO_CLANGXX} -fsanitize=fuzzer,address,undefined ${objects} ${A_LIBS} -o ${bin}
    DEPENDS ${objects}
    COMMENT "Linking ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${bin})
  set(TAMBLERO_FUZZ_BIN ${bin} PARENT_SCOPE)
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
