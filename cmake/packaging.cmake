# Installing Velmora on Linux, and its Debian package (CPack, DEB generator).
# Included from the top CMakeLists.txt on everything but Windows.
#
# Another program lands in the same package with, in its own CMakeLists.txt,
#   install(TARGETS name RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
#   velmora_man_page(name.1)
# (velmora_man_page comes from VelmoraInstall.cmake).
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
velmora_man_page(resources/velmora.1)

# One reverse-DNS id for the desktop entry, the icon and the AppStream data.
set(VELMORA_APP_ID io.github.velmora.Velmora)
set(VELMORA_RESOURCES ${CMAKE_SOURCE_DIR}/resources)

# A portable build keeps its key file beside the program, and /usr/bin is no
# place for that: only the installed build (VELMORA_PORTABLE=OFF, the preset
# package-linux) carries the desktop data and makes the package.
if(VELMORA_PORTABLE)
  return()
endif()

# Installed files that are generated (icons, the changelog) are built with
# the program.
add_custom_target(velmora_data ALL)
find_program(GZIP_PROGRAM gzip REQUIRED)

install(FILES ${VELMORA_RESOURCES}/${VELMORA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELMORA_RESOURCES}/${VELMORA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The hicolor icon sizes and the scalable icon, drawn by make_icon.py from
# the same shapes as the window icon.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(icon_sizes 16 24 32 48 64 128 256)
set(icon_outputs ${VELMORA_DATA_DIR}/icons/scalable/apps/${VELMORA_APP_ID}.svg)
foreach(size IN LISTS icon_sizes)
  list(APPEND icon_outputs ${VELMORA_DATA_DIR}/icons/${size}x${size}/apps/${VELMORA_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_outputs}
  COMMAND Python3::Interpreter ${VELMORA_RESOURCES}/make_icon.py --hicolor
          ${VELMORA_DATA_DIR}/icons ${VELMORA_APP_ID}
  DEPENDS ${VELMORA_RESOURCES}/make_icon.py VERBATIM)
target_sources(velmora_data PRIVATE ${icon_outputs})
install(DIRECTORY ${VELMORA_DATA_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# What Debian wants beside the files: the licence, the changelog and the
# lintian overrides, each explained where it stands.
set(changelog ${VELMORA_DATA_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${GZIP_PROGRAM} -9n -c ${VELMORA_RESOURCES}/debian/changelog > ${changelog}
  DEPENDS ${VELMORA_RESOURCES}/debian/changelog VERBATIM)
target_sources(velmora_data PRIVATE ${changelog})
install(FILES ${VELMORA_RESOURCES}/debian/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)
install(FILES ${VELMORA_RESOURCES}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velmora)

# The package.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <velmora@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write and read text in your own substitution code")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(NOT CPACK_GENERATOR)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/velmora/velmora)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The program's flows pass on Qt's Wayland platform too (see the README).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# The extended description; CPack puts the summary in front of it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmora is a small desktop program with a Spanish user interface. You choose
one code character for each letter a to z and each digit 0 to 9; Velmora then
turns what you type into coded text and coded text back into plain text.
.
A letter-substitution code keeps text from a casual glance, not from someone
who sets out to break it. Do not use Velmora to protect secrets.")

include(CPack)
