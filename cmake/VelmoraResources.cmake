# Windows resources: the shared icon and manifest (velmora.rc), and a version
# resource per program, all configured from the project's one version.

set(VELMORA_PUBLISHER "The Velmora developers")
set(VELMORA_COPYRIGHT "Copyright (C) 2026 ${VELMORA_PUBLISHER}")

# The version as Windows writes it: four numbers, the missing ones zero.
set(_quad "")
foreach(_part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${_part}}" STREQUAL "")
    list(APPEND _quad 0)
  else()
    list(APPEND _quad ${PROJECT_VERSION_${_part}})
  endif()
endforeach()
list(JOIN _quad "." VELMORA_VERSION_QUAD)
list(JOIN _quad "," VELMORA_VERSION_COMMAS)

set(VELMORA_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
set(VELMORA_MANIFEST ${CMAKE_BINARY_DIR}/resources/velmora.manifest)
configure_file(${VELMORA_RESOURCE_DIR}/velmora.manifest.in ${VELMORA_MANIFEST} @ONLY)
# The icon and the manifest, for the program and for every test program.
set(VELMORA_RC ${CMAKE_BINARY_DIR}/resources/velmora.rc)
configure_file(${VELMORA_RESOURCE_DIR}/velmora.rc.in ${VELMORA_RC} @ONLY)
set_source_files_properties(${VELMORA_RC} PROPERTIES OBJECT_DEPENDS
                            "${VELMORA_MANIFEST};${VELMORA_RESOURCE_DIR}/velmora.ico")

# velmora_version_resource(TARGET DESCRIPTION): gives a program its version
# resource, naming the target's output file as its original file name.
function(velmora_version_resource target description)
  set(VELMORA_RC_DESCRIPTION "${description}")
  set(VELMORA_RC_NAME ${target})
  set(VELMORA_RC_FILENAME ${target}.exe)
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}_version.rc)
  configure_file(${VELMORA_RESOURCE_DIR}/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
