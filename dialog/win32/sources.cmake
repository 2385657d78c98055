# Win32 backend of the dialog layer (USER32, GDI32, OLE32, COMCTL32), linked
# privately so that no Windows header reaches the program logic.
target_sources(dialog PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/window_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/accessible_win32.cpp)
target_link_libraries(dialog PRIVATE user32 gdi32 ole32 comctl32)
