# Qt 6 Widgets backend, linked privately so that no Qt header reaches the
# program logic.
target_sources(dialog PRIVATE
  qt/window_qt.cpp
  qt/control_qt.cpp
  qt/menu_qt.cpp
  qt/startup_qt.cpp
  qt/accessible_qt.cpp)
target_link_libraries(dialog PRIVATE Qt6::Widgets)

# The window icon "#200", compiled into the program.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/velmora.png
                            PROPERTIES QT_RESOURCE_ALIAS 200.png)
qt_add_resources(dialog velmora_icons PREFIX "/icons"
                 FILES ${CMAKE_SOURCE_DIR}/resources/velmora.png)
