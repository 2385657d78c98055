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
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/resources/velmora.rc)
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

# A measurement, not a test: what an idle window costs (run by hand under
# Wine, see docs/performance.md).
add_executable(idle_loop_bench ${CMAKE_SOURCE_DIR}/bench/idle_loop_win32.cpp)
target_link_libraries(idle_loop_bench PRIVATE dialog user32 gdi32)
velmora_warnings(idle_loop_bench)

# "Codificar Texto" on large inputs against the edit control's own read and
# write (run by hand under Wine, see docs/performance.md).
add_executable(encode_text_bench ${CMAKE_SOURCE_DIR}/bench/encode_text_bench.cpp)
target_link_libraries(encode_text_bench PRIVATE app user32)
velmora_warnings(encode_text_bench)

# A short random run of the whole program with a fixed seed (bench/monkey.cpp).
add_test(NAME monkey_short COMMAND monkey 1 30 150)
set_tests_properties(monkey_short PROPERTIES FIXTURES_REQUIRED wine LABELS gui
                                             RESOURCE_LOCK wine_desktop)
