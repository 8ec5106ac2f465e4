# Run by CPack after the stripped install into its staging folder, before the package is made:
# the programs lose the compiler's .comment and .note sections too, as Debian's own packages do
# (dh_strip). CPACK_TEMPORARY_INSTALL_DIRECTORY is the staging folder.
find_program(LIRAFOK_STRIP strip REQUIRED)
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*
     ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/lirafok/*)
foreach(program ${programs})
  file(READ ${program} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${LIRAFOK_STRIP} --remove-section=.comment --remove-section=.note
                            ${program} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "strip failed on ${program}")
    endif()
  endif()
endforeach()
