# The editor window's view (waveform, rulers, mouse), a Qt 6 Widgets library
# the editor program and the view tests link.
find_package(Qt6 6.2 COMPONENTS Widgets QUIET)
if(Qt6_FOUND)
  add_library(orbick_view STATIC
    ${CMAKE_CURRENT_LIST_DIR}/editor_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editor_view_mouse.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_navigation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_overlays.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_rulers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_units.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wave_painter.cpp)
  set_target_properties(orbick_view PROPERTIES AUTOMOC ON)
  target_link_libraries(orbick_view PUBLIC orbick_core Qt6::Widgets)
endif()
