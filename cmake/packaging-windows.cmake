# The Windows packages. A portable build (VELMORA_PORTABLE ON, preset
# "package-windows-portable") makes velmora-<version>-win64.zip with CPack
# (package preset of the same name); the installed build (OFF, preset
# "package-windows") makes velmora-<version>-setup.exe with makensis (target
# "installer"). Both hold the same files.

# The programs shipped, by target; a new program is one more name here.
set(VELMORA_WINDOWS_PROGRAMS velmora velmora-cli)

# The licence and the read-me, with Windows line ends for Notepad.
set(VELMORA_LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${VELMORA_LICENSE} @ONLY NEWLINE_STYLE CRLF)
set(VELMORA_DOCUMENTS ${VELMORA_LICENSE})
foreach(_name LEEME README)
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/${_name}.txt.in
                 ${CMAKE_BINARY_DIR}/package/${_name}.txt @ONLY NEWLINE_STYLE CRLF)
  list(APPEND VELMORA_DOCUMENTS ${CMAKE_BINARY_DIR}/package/${_name}.txt)
endforeach()

if(VELMORA_PORTABLE)
  install(TARGETS ${VELMORA_WINDOWS_PROGRAMS} RUNTIME DESTINATION .)
  install(FILES ${VELMORA_DOCUMENTS} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME velmora)
  set(CPACK_PACKAGE_VENDOR "${VELMORA_PUBLISHER}")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
  # The zip unpacks to a folder of its own name.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
  include(CPack)
else()
  find_program(VELMORA_MAKENSIS makensis REQUIRED)
  set(VELMORA_INSTALLER ${CMAKE_BINARY_DIR}/velmora-${PROJECT_VERSION}-setup.exe)
  set(VELMORA_NSIS_FILES "")
  set(VELMORA_NSIS_DELETES "")
  foreach(_program ${VELMORA_WINDOWS_PROGRAMS})
    string(APPEND VELMORA_NSIS_FILES "  File \"$<TARGET_FILE:${_program}>\"\n")
    string(APPEND VELMORA_NSIS_DELETES "  Delete \"$INSTDIR\\$<TARGET_FILE_NAME:${_program}>\"\n")
  endforeach()
  foreach(_document ${VELMORA_DOCUMENTS})
    get_filename_component(_name ${_document} NAME)
    string(APPEND VELMORA_NSIS_FILES "  File \"${_document}\"\n")
    string(APPEND VELMORA_NSIS_DELETES "  Delete \"$INSTDIR\\${_name}\"\n")
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/velmora.nsi.in
                 ${CMAKE_BINARY_DIR}/package/velmora.nsi.in @ONLY)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/velmora.nsi
       INPUT ${CMAKE_BINARY_DIR}/package/velmora.nsi.in)
  add_custom_command(
    OUTPUT ${VELMORA_INSTALLER}
    COMMAND ${VELMORA_MAKENSIS} -V2 -NOCD ${CMAKE_BINARY_DIR}/package/velmora.nsi
    DEPENDS ${VELMORA_WINDOWS_PROGRAMS} ${VELMORA_DOCUMENTS}
            ${CMAKE_BINARY_DIR}/package/velmora.nsi ${CMAKE_SOURCE_DIR}/resources/velmora.ico
    COMMENT "Making the installer velmora-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  add_custom_target(installer DEPENDS ${VELMORA_INSTALLER})
endif()
