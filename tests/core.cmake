# GUI-free tests of the core.
velmora_core_test(dialog_core_test SOURCES dialog_core_test.cpp LIBS dialog_core)
velmora_core_test(codetable_test SOURCES codetable_test.cpp LIBS codetable)
velmora_core_test(convert_test SOURCES convert_test.cpp LIBS convert)
if(NOT WIN32)
  # Killed saves and two programs saving at once, with child processes.
  velmora_core_test(durability_test SOURCES durability_test.cpp LIBS codetable)
endif()
