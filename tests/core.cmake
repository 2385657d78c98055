# GUI-free tests of the core.
velmora_core_test(dialog_core_test SOURCES dialog_core_test.cpp LIBS dialog_core)
velmora_core_test(codetable_test SOURCES codetable_test.cpp LIBS codetable)
velmora_core_test(convert_test SOURCES convert_test.cpp LIBS convert)
if(WIN32)
  # The platform's own code page conversion as the oracle of ours.
  velmora_core_test(windows1252_wine_test SOURCES windows1252_wine_test.cpp LIBS codetable)
endif()
velmora_core_test(cli_test SOURCES cli_test.cpp LIBS velmora_cli)
# The built program end to end (through the emulator when cross-built).
add_test(NAME cli_end_to_end COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_end_to_end.sh
                                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:velmora-cli>)
set_tests_properties(cli_end_to_end PROPERTIES LABELS core)
if(TARGET Qt6::Core)
  velmora_core_test(cli_lower_qt_test SOURCES cli_lower_qt_test.cpp LIBS velmora_cli Qt6::Core)
endif()
if(NOT WIN32)
  # Killed saves and two programs saving at once, with child processes.
  velmora_core_test(durability_test SOURCES durability_test.cpp LIBS codetable)
endif()
