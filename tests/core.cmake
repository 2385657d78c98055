# GUI-free tests of the core.
velmora_core_test(dialog_core_test SOURCES dialog_core_test.cpp LIBS dialog_core)
velmora_core_test(codetable_test SOURCES codetable_test.cpp LIBS codetable)
velmora_core_test(convert_test SOURCES convert_test.cpp LIBS convert)
velmora_core_test(cli_test SOURCES cli_test.cpp LIBS velmora_cli)
