# The editor's windows (qv_ui) and the program, Quorvel.exe: a WIN32 program, so its title on the
# message boxes is "Quorvel".
add_library(qv_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/editor_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_handlers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_folder_buttons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win/controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win/ansi_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win/dpi.cpp)
target_include_directories(qv_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qv_ui PUBLIC qv_config qv_config_win qv_i18n qv_browser qv_net qv_folder_picker
                      comctl32 user32 gdi32)

# Icons, version and manifest; the test program links them too, so that it runs the window with
# the same common controls and pictures as the product.
set(QV_UI_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/res/quorvel.rc CACHE INTERNAL "")

add_executable(Quorvel WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${QV_UI_RESOURCES})
target_link_libraries(Quorvel PRIVATE qv_ui)
target_link_options(Quorvel PRIVATE -municode)
