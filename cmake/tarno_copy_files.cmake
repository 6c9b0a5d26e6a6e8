# tarno_copy_files(<test> <folder> <target-or-absolute-file>...)
#
# Copies the files of the given targets (which may be defined later in the
# tree) or absolute files into
# bin/<folder>/ before <test> runs: stand-ins a test loads from a folder of
# its own, never from beside the test program.
function(tarno_copy_files test folder)
  set(dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${folder})
  set(sources)
  foreach(item ${ARGN})
    if(IS_ABSOLUTE ${item})
      list(APPEND sources ${item})
    else()
      list(APPEND sources $<TARGET_FILE:${item}>)
    endif()
  endforeach()
  add_custom_command(OUTPUT ${dir}/.copied
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${sources} ${dir}
    COMMAND ${CMAKE_COMMAND} -E touch ${dir}/.copied
    DEPENDS ${ARGN})
  add_custom_target(${test}_${folder}_files DEPENDS ${dir}/.copied)
  add_dependencies(${test} ${test}_${folder}_files)
endfunction()
