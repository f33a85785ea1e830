# The layering check: a ctest that reads what every target declares (written
# here at configure time, with each target's object files) and the symbols of
# the built objects (nm), under any generator. It fails when an engine calls
# anything but the ISO C/C++ runtime and the platform libraries, a tool reaches
# files without platform/os, a report library puts a name in the wrong
# namespace, a folder holds more than one library, a test compiles or links
# code of a higher folder, or an object uses a library it does not link.
# tests/layering/check_layering.py does the checking and lists the rules.

# Folders whose libraries are engines: the ISO C/C++ runtime and the platform
# libraries only, no Qt. A library counts as an engine's when its sources'
# folder is one of these or lies below one.
set(TAMBLERO_ENGINE_FOLDERS
  archive picture billing report_support interbase
  report/expr report/pages report/print report/bands report/controls report/engine)
# Folders whose libraries are the Qt wings of an engine (windows of their own).
set(TAMBLERO_WING_FOLDERS report/ui)
# The names of the report engine's public interface, which stay global.
set(TAMBLERO_PUBLIC_NAMES ${CMAKE_CURRENT_LIST_DIR}/../tests/layering/report_public_names.txt)

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
    # The manifest is written with file(GENERATE): a generator expression of a
    # link list is kept as text ("@<...>"), not evaluated.
    string(REPLACE "$<" "@<" item "${item}")
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
  find_package(Python3 COMPONENTS Interpreter)
  if(NOT Python3_Interpreter_FOUND)
    message(FATAL_ERROR "The layering check needs python3; install it (scripts/setup)")
  endif()
  if(NOT CMAKE_NM OR NOT EXISTS "${CMAKE_NM}")
    message(FATAL_ERROR "The layering check needs nm (binutils) to read the built objects; "
                        "install binutils (scripts/setup) or set CMAKE_NM")
  endif()
  tamblero_layering_collect_targets(${PROJECT_SOURCE_DIR} targets)
  set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT
    "root\t\t${PROJECT_SOURCE_DIR}\nbinary\t\t${PROJECT_BINARY_DIR}\nnames\t\t${TAMBLERO_PUBLIC_NAMES}\n")
  foreach(folder ${TAMBLERO_ENGINE_FOLDERS})
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "engine\t\t${folder}\n")
  endforeach()
  foreach(folder ${TAMBLERO_WING_FOLDERS})
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "wing\t\t${folder}\n")
  endforeach()
  # The top folder's own imported targets (GoogleTest).
  tamblero_layering_note_imported()
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(source_dir ${target} SOURCE_DIR)
    get_target_property(kind ${target} TAMBLERO_KIND)
    set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT
      "target\t${target}\t${type}\ndir\t${target}\t${source_dir}\n")
    if(kind)
      set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "kind\t${target}\t${kind}\n")
    endif()
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
      get_target_property(sources ${target} SOURCES)
      foreach(src ${sources})
        if(src MATCHES "^\\$<")
          continue()
        endif()
        cmake_path(ABSOLUTE_PATH src BASE_DIRECTORY ${source_dir} NORMALIZE)
        set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT "source\t${target}\t${src}\n")
      endforeach()
      # The object files, as the generator names them (expanded at generation).
      set_property(GLOBAL APPEND_STRING PROPERTY TAMBLERO_LAYERING_TEXT
        "objects\t${target}\t$<JOIN:$<TARGET_OBJECTS:${target}>,\t>\n")
      tamblero_layering_write_links(${target} LINK_LIBRARIES link)
    endif()
    tamblero_layering_write_links(${target} INTERFACE_LINK_LIBRARIES interface)
  endforeach()
  get_property(text GLOBAL PROPERTY TAMBLERO_LAYERING_TEXT)
  set(manifest ${PROJECT_BINARY_DIR}/layering-targets-$<CONFIG>.txt)
  file(GENERATE OUTPUT ${manifest} CONTENT "${text}")

  # The check's own rules, on small objects made for the purpose.
  add_test(NAME layering.rules
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/layering/check_layering_test.py
            --nm ${CMAKE_NM} --cxx ${CMAKE_CXX_COMPILER})
  set_tests_properties(layering.rules PROPERTIES LABELS layering TIMEOUT 300)

  add_test(NAME layering
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/layering/check_layering.py
            --manifest ${manifest} --nm ${CMAKE_NM})
  set_tests_properties(layering PROPERTIES LABELS layering TIMEOUT 300)
endfunction()
