# kav_platform_window: cursor, focus, menus, the clock, the polled mouse and
# the 3-D view widget (Qt Widgets and OpenGL widgets).
add_library(kav_platform_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/winuser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu_resource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mmtime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dinput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_view.cpp)
target_include_directories(kav_platform_window PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kav_platform_window PUBLIC kav_platform_core Qt6::Widgets Qt6::OpenGLWidgets)
