# Tests of the Win32 backend, run under Wine (the build's emulator) with the
# null display driver, in a temporary prefix that the fixture "wine" makes
# before the first test and removes after the last.

add_library(dialog_testing STATIC support/testing_win32.cpp)
target_link_libraries(dialog_testing PUBLIC dialog PRIVATE user32 gdi32)
velmora_warnings(dialog_testing)

set(VELMORA_WINE_PREFIX_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh)
add_test(NAME wine_prefix_setup COMMAND ${VELMORA_WINE_PREFIX_SCRIPT} setup ${VELMORA_WINE_STATE})
add_test(NAME wine_prefix_cleanup
         COMMAND ${VELMORA_WINE_PREFIX_SCRIPT} cleanup ${VELMORA_WINE_STATE})
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine LABELS wine)
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine LABELS wine)

# The GUI-free tests registered so far run under Wine as well.
get_property(velmora_wine_tests DIRECTORY PROPERTY TESTS)
list(REMOVE_ITEM velmora_wine_tests wine_prefix_setup wine_prefix_cleanup)
if(velmora_wine_tests)
  set_tests_properties(${velmora_wine_tests} PROPERTIES FIXTURES_REQUIRED wine)
endif()

# velmora_gui_test(NAME SOURCES ... LIBS ...): a console test program against
# the real backend, carrying the program's resources (icon #200, manifest).
function(velmora_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${VELMORA_RC})
  velmora_warnings(${name})
  target_link_libraries(${name} PRIVATE gui_test_main dialog_testing ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  # GUI programs share Wine's one desktop and its activation: one at a time.
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine LABELS gui
                                          RESOURCE_LOCK wine_desktop)
endfunction()

# Checks that only the Win32 backend has (styles as the platform applied
# them, icons, the idle modal loop).
velmora_gui_test(win32_backend_test SOURCES win32_backend_test.cpp LIBS user32 gdi32 comctl32)

# Where MSAA finds the names of the program's text controls. uuid comes
# before oleacc: both define IID_IAccessible, and libuuid's one object is
# pulled in anyway for the known-folder ids of the OS services.
velmora_gui_test(accessibility_win32_test SOURCES accessibility_win32_test.cpp
                 LIBS app user32 uuid oleacc ole32 oleaut32)

# A measurement, not a test: what an idle window costs (run by hand under
# Wine, see docs/performance.md).
add_executable(idle_loop_bench ${CMAKE_SOURCE_DIR}/bench/idle_loop_win32.cpp)
target_link_libraries(idle_loop_bench PRIVATE dialog user32 gdi32)
velmora_warnings(idle_loop_bench)

# Drives a real velmora.exe from outside (its layout at a DPI, a save), for
# the tests of the packaged program. DPI aware like the program it measures.
add_executable(velmora_drive support/drive_velmora.cpp ${VELMORA_RC})
target_link_libraries(velmora_drive PRIVATE dialog codetable user32 gdi32)
target_link_options(velmora_drive PRIVATE -municode)
velmora_warnings(velmora_drive)

# The version resource and the manifest, read back from velmora.exe.
velmora_core_test(resources_test SOURCES resources_test.cpp ${VELMORA_RC} LIBS dialog version)
target_compile_definitions(
  resources_test PRIVATE VELMORA_TEST_PROGRAM="Z:${CMAKE_BINARY_DIR}/velmora.exe"
                         VELMORA_PROJECT_VERSION="${PROJECT_VERSION}"
                         VELMORA_VERSION_QUAD="${VELMORA_VERSION_QUAD}")
set_tests_properties(resources_test PROPERTIES FIXTURES_REQUIRED wine)

# The program's layout at 96, 144 and 192 DPI.
add_test(NAME dpi_layout_test
         COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-dpi-test.sh ${VELMORA_WINE_STATE}
                 $<TARGET_FILE:velmora_drive> $<TARGET_FILE:velmora>)
set_tests_properties(dpi_layout_test PROPERTIES FIXTURES_REQUIRED wine LABELS gui
                                                RESOURCE_LOCK wine_desktop)

# The packages that './velmora.sh package' makes: the installer (install,
# save a code, uninstall) and the portable zip (unpack, save a code).
set(VELMORA_INSTALLER_FOR_TEST
    ${CMAKE_SOURCE_DIR}/build/package-windows/velmora-${PROJECT_VERSION}-setup.exe
    CACHE FILEPATH "The installer that installer_test installs")
set(VELMORA_ZIP_FOR_TEST
    ${CMAKE_SOURCE_DIR}/build/package-windows-portable/velmora-${PROJECT_VERSION}-win64.zip
    CACHE FILEPATH "The portable zip that zip_test unpacks")
add_test(NAME installer_test
         COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-installer-test.sh ${VELMORA_WINE_STATE}
                 $<TARGET_FILE:velmora_drive> ${VELMORA_INSTALLER_FOR_TEST} ${PROJECT_VERSION})
add_test(NAME zip_test COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-zip-test.sh ${VELMORA_WINE_STATE}
                               $<TARGET_FILE:velmora_drive> ${VELMORA_ZIP_FOR_TEST})
set_tests_properties(installer_test zip_test PROPERTIES FIXTURES_REQUIRED wine LABELS gui
                     RESOURCE_LOCK wine_desktop SKIP_RETURN_CODE 77)

# "Codificar Texto" on large inputs against the edit control's own read and
# write (run by hand under Wine, see docs/performance.md).
add_executable(encode_text_bench ${CMAKE_SOURCE_DIR}/bench/encode_text_bench.cpp)
target_link_libraries(encode_text_bench PRIVATE app user32)
velmora_warnings(encode_text_bench)

# A short random run of the whole program with a fixed seed (bench/monkey.cpp).
add_test(NAME monkey_short COMMAND monkey 1 30 150)
set_tests_properties(monkey_short PROPERTIES FIXTURES_REQUIRED wine LABELS gui
                                             RESOURCE_LOCK wine_desktop)
