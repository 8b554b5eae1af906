# Filling the browser's tree with a 10,000-name listing against a bare TVM_INSERTITEM loop.
if(WIN32)
  add_executable(tree_bench ${CMAKE_CURRENT_LIST_DIR}/tree_bench.cpp ${QV_UI_RESOURCES})
  target_link_libraries(tree_bench PRIVATE qv_browser)
endif()
