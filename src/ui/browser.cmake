# The remote folder browser and the browse sequence of the editor's source-folder button.
add_library(qv_browser STATIC
  ${CMAKE_CURRENT_LIST_DIR}/browser_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse_sequence.cpp)
target_include_directories(qv_browser PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qv_browser PUBLIC qv_ui qv_net qv_config qv_i18n comctl32 user32 gdi32)
