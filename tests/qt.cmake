# The Qt backend's GUI tests run twice: on the offscreen platform and under
# Xvfb, where activation is asynchronous and behaves differently. The
# program's flows also run a third time, as a Wayland client of a headless
# Weston (velmora_wayland_test).
add_library(dialog_testing STATIC support/testing_qt.cpp)
target_link_libraries(dialog_testing PUBLIC dialog PRIVATE Qt6::Widgets Qt6::Test)
velmora_warnings(dialog_testing)

function(velmora_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  velmora_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} dialog_testing gui_test_main)
  add_test(NAME ${name}_offscreen COMMAND ${name})
  set_tests_properties(${name}_offscreen PROPERTIES
    LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  add_test(NAME ${name}_xvfb COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-xvfb.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_xvfb PROPERTIES
    LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=xcb")
endfunction()

# Without a display the program says so and ends with 255; its arguments
# change nothing.
add_test(NAME startup_without_display
         COMMAND sh -c "\"$1\" --some arguments; echo \"exit code $?\"" sh $<TARGET_FILE:velmora>)
set_tests_properties(startup_without_display PROPERTIES
  LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=xcb;DISPLAY=:4093"
  PASS_REGULAR_EXPRESSION "no display can be reached.*exit code 255")

# What assistive tools read, through Qt's own accessibility interfaces.
velmora_gui_test(accessibility_qt_test SOURCES accessibility_qt_test.cpp LIBS app Qt6::Widgets)

# A screen reader's view, end to end: the real program on Xvfb with an
# accessibility bus, read through AT-SPI. Bounded: it can never hang a run.
add_test(NAME atspi_screen_reader_view
         COMMAND ${CMAKE_SOURCE_DIR}/tests/atspi/run.sh $<TARGET_FILE:velmora>)
set_tests_properties(atspi_screen_reader_view PROPERTIES LABELS gui TIMEOUT 90)

# velmora_wayland_test(NAME): runs a GUI test already registered with
# velmora_gui_test under a headless Weston too. Only the program's flows do:
# headless Weston has no seat, so nothing is ever active or focused there and
# the dialog layer's own activation, focus and clipboard cases cannot hold.
# Each step then waits out the layer's activation wait, hence the longer time.
function(velmora_wayland_test name)
  add_test(NAME ${name}_wayland COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-weston.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_wayland PROPERTIES LABELS gui TIMEOUT 300)
endfunction()

# Pasting after the clipboard's owner has exited, end to end on X11 with
# xclip as that owner and xdotool as the user.
add_test(NAME paste_after_owner_left
         COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-xvfb.sh
                 ${CMAKE_CURRENT_SOURCE_DIR}/paste_after_owner_left.sh $<TARGET_FILE:velmora>)
set_tests_properties(paste_after_owner_left PROPERTIES
  LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=xcb" TIMEOUT 60)

# A short random run of the whole program with a fixed seed (bench/monkey.cpp).
add_test(NAME monkey_short
         COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-xvfb.sh $<TARGET_FILE:monkey> 1 30 400)
set_tests_properties(monkey_short PROPERTIES LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=xcb")
