# kav_platform_ui: pages of controls addressed by ids, and the Qt prompter
# (message boxes, file dialogs, the name dialog, context menus) (Qt Widgets).
add_library(kav_platform_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompter.cpp)
target_include_directories(kav_platform_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kav_platform_ui PUBLIC kav_platform_core Qt6::Widgets)
