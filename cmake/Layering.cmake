# The layering check: a ctest that reads what every target declares (written
# here at configure time) and what its objects really read (the compiler's
# dependency records, after the build), and fails when
#   - a library reads a header of a library or package that it does not have
#     as a dependency (directly, or through a dependency's public ones);
#   - an engine library includes a Qt header or an operating-system header
#     (those belong in platform/os and the Qt wings);
#   - tool code (a tools/ or tool/ folder, or a main()) is compiled into a
#     library.
# tests/layering/check_layering.py does the checking.

# Folders whose libraries are engines: no Qt and no operating-system headers.
# A library counts as an engine's when its folder is one of these or lies
# below one.
set(TAMBLERO_ENGINE_FOLDERS
  archive picture billing report_support interbase
  report/expr report/pages report/print report/bands report/controls report/engine)

function(tamblero_layering_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    tamblero_layering_collect_targets(${sub} sub_targets)
    list(APPEND targets ${sub_targets})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# One line a fact: "kind<TAB>target<TAB>value".
function(tamblero_layering_write_links target property kind)
  get_target_property(items ${target} ${property})
  if(NOT items)
    return()
  endif()
  foreach(item ${items})
    if(TARGET "${item}")
      get_target_property(aliased "${item}" ALIASED_TARGET)
      if(aliased)
        set(item ${aliased})
      endif()
    endif()
    string(REPLACE "\t" " " item "${item}")
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "${kind}\t${target}\t${item}\n")
  endforeach()
endfunction()

# Imported targets are seen only in the folder that found them (and below):
# each folder that defines targets through cmake/Project.cmake records its
# imported ones, and the interfaces they give, when it is done.
function(tamblero_layering_watch_directory)
  get_property(watched DIRECTORY PROPERTY TAMBLERO_LAYERING_WATCHED)
  if(NOT watched)
    set_property(DIRECTORY PROPERTY TAMBLERO_LAYERING_WATCHED TRUE)
    cmake_language(DEFER CALL tamblero_layering_note_imported)
  endif()
endfunction()

function(tamblero_layering_note_imported)
  get_property(imported DIRECTORY PROPERTY IMPORTED_TARGETS)
  foreach(target ${imported})
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "imported\t${target}\t1\n")
    tamblero_layering_write_links(${target} INTERFACE_LINK_LIBRARIES interface)
  endforeach()
endfunction()

function(tamblero_layering_check)
  tamblero_layering_collect_targets(${PROJECT_SOURCE_DIR} targets)
  set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "root\t\t${PROJECT_SOURCE_DIR}\n")
  foreach(folder ${TAMBLERO_ENGINE_FOLDERS})
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "engine\t\t${folder}\n")
  endforeach()
  # The top folder's own imported targets (GoogleTest).
  tamblero_layering_note_imported()
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT
      "target\t${target}\t${type}\ndir\t${target}\t${source_dir}\n")
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
      get_target_property(sources ${target} SOURCES)
      foreach(src ${sources})
        cmake_path(ABSOLUTE_PATH src BASE_DIRECTORY ${source_dir} NORMALIZE)
        set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "source\t${target}\t${src}\n")
      endforeach()
      tamblero_layering_write_links(${target} LINK_LIBRARIES link)
    endif()
    tamblero_layering_write_links(${target} INTERFACE_LINK_LIBRARIES interface)
  endforeach()
  get_property(text GLOBAL PROPERTY TAMBLERO_LAYERING_TEXT)
  set(manifest ${PROJECT_BINARY_DIR}/layering-targets.txt)
  file(WRITE ${manifest} "${text}")

  # The check's own rules, on small made-up trees.
  add_test(NAME layering.rules COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/layering/check_layering_test.py)
  set_tests_properties(layering.rules PROPERTIES LABELS layering TIMEOUT 120)

  # The objects' header lists come from Ninja's dependency log.
  if(NOT CMAKE_GENERATOR MATCHES "Ninja")
    message(STATUS "Layering check: needs the Ninja generator; not registered")
    return()
  endif()
  add_test(NAME layering
    COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/layering/check_layering.py
            --manifest ${manifest} --build ${PROJECT_BINARY_DIR} --ninja ${CMAKE_MAKE_PROGRAM})
  set_tests_properties(layering PROPERTIES LABELS layering TIMEOUT 120)
endfunction()
