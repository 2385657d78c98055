# Test sources shared by both backends: one source, run on the real backend.
velmora_gui_test(dialog_layer_test SOURCES dialog_layer_test.cpp)
velmora_gui_test(program_flow_test SOURCES program_flow_test.cpp LIBS app)
