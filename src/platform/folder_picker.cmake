# The local folder picker: the shell's folder-browsing dialog (Windows only).
if(WIN32)
  add_library(qv_folder_picker STATIC ${CMAKE_CURRENT_LIST_DIR}/folder_picker.cpp)
  target_include_directories(qv_folder_picker PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(qv_folder_picker PUBLIC shell32 ole32 user32)
endif()
