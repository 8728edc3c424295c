# Run by CPack on the staged files before packing: CPack's own strip keeps the compiler's
# .comment and .note sections, which Debian's packaging tools drop from every binary too.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
  if(IS_SYMLINK "${path}")
    continue()
  endif()
  file(READ "${path}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND "${CPACK_VELMAR_STRIP}" --remove-section=.comment --remove-section=.note
                            "${path}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
