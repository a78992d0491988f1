# kav_platform_device: the 3-D device on OpenGL 3.3 core, the status font and
# an offscreen target for tests and benchmarks (Qt Gui and OpenGL).
add_library(kav_platform_device STATIC
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_gl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/offscreen_target.cpp)
target_include_directories(kav_platform_device PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kav_platform_device PUBLIC kav_platform_mesh kav_platform_core Qt6::Gui Qt6::OpenGL)
