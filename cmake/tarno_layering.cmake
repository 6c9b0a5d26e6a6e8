# tarno_add_layering_check()
#
# The test "layering_check": tools/layering/check_layering.py over src/ with
# its known exceptions. In the native build it also gets the sources of every
# *_pure target (written to layering/pure_sources.txt at configure time), whose
# includes must reach no header of the Windows API; in the Windows build the
# pure targets' Windows halves (the system's code page in xmldoc) use it by
# design, so there only the folder rules are checked. Call after every target
# of src/ is defined.
function(tarno_collect_pure_sources dir out)
  set(lines "")
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    if(NOT target MATCHES "_pure$")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      if(source MATCHES "^\\$<")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE)
      string(APPEND lines "${target}\t${source}\n")
    endforeach()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tarno_collect_pure_sources(${subdir} sub_lines)
    string(APPEND lines "${sub_lines}")
  endforeach()
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

function(tarno_add_layering_check)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(check ${CMAKE_SOURCE_DIR}/tools/layering/check_layering.py)
  set(args ${CMAKE_SOURCE_DIR}/src --exceptions ${CMAKE_SOURCE_DIR}/tools/layering/known_exceptions.txt)
  if(NOT WIN32)
    tarno_collect_pure_sources(${CMAKE_SOURCE_DIR}/src pure_lines)
    set(pure_list ${CMAKE_BINARY_DIR}/layering/pure_sources.txt)
    file(WRITE ${pure_list}.new "${pure_lines}")
    file(COPY_FILE ${pure_list}.new ${pure_list} ONLY_IF_DIFFERENT)
    list(APPEND args --pure-sources ${pure_list})
  endif()
  add_test(NAME layering_check COMMAND ${Python3_EXECUTABLE} ${check} ${args})
  add_test(NAME layering_check_test COMMAND ${Python3_EXECUTABLE} -B ${CMAKE_SOURCE_DIR}/tools/layering/check_layering_test.py)
endfunction()
