# Install locations and manual pages, for every program of the project.
# Included from the top CMakeLists.txt before the program folders.
include(GNUInstallDirs)

set(VELMORA_DATA_DIR ${CMAKE_BINARY_DIR}/data)

# velmora_man_page(FILE): installs the manual page FILE (name.section, given
# relative to the calling folder), compressed as Debian wants it (gzip -9n:
# no name, no time stamp). Windows has no manual pages: there it does nothing.
function(velmora_man_page file)
  if(WIN32)
    return()
  endif()
  find_program(GZIP_PROGRAM gzip REQUIRED)
  get_filename_component(name ${file} NAME)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${name})
  set(output ${VELMORA_DATA_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_DATA_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/${file} > ${output}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${file} VERBATIM)
  # Built with the programs, from the calling folder, which owns the rule.
  add_custom_target(man_${name} ALL DEPENDS ${output})
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
