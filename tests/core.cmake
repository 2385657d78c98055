# GUI-free tests of the core.
velmora_core_test(dialog_core_test SOURCES dialog_core_test.cpp LIBS dialog_core)
velmora_core_test(codetable_test SOURCES codetable_test.cpp LIBS codetable)
velmora_core_test(convert_test SOURCES convert_test.cpp LIBS convert)
if(WIN32)
  # The platform's own code page conversion as the oracle of ours.
  velmora_core_test(windows1252_wine_test SOURCES windows1252_wine_test.cpp LIBS codetable)
endif()
