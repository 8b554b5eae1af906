if(WIN32)
  qv_add_test(folder_picker_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_picker_test.cpp
              LIBS qv_folder_picker)
endif()
