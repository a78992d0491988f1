# kav_platform_mesh: the X-file reader, meshes, textures and the device hook (Qt Gui for images, zlib).
add_library(kav_platform_mesh STATIC
  ${CMAKE_CURRENT_LIST_DIR}/xfile_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_mesh.cpp)
target_include_directories(kav_platform_mesh PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kav_platform_mesh PUBLIC kav_math kav_platform_core Qt6::Gui ZLIB::ZLIB)
