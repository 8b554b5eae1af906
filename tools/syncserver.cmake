# The sync server for trying the editor's Browse button; its core is a library so that the
# protocol tests can run it on a thread.
add_library(qv_syncserver STATIC
  ${CMAKE_CURRENT_LIST_DIR}/syncserver_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/syncserver_folders.cpp)
target_include_directories(qv_syncserver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qv_syncserver PUBLIC qv_net)

add_executable(syncserver ${CMAKE_CURRENT_LIST_DIR}/syncserver_main.cpp)
target_link_libraries(syncserver PRIVATE qv_syncserver)
