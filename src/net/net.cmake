# The sync server protocol: wire layouts and the reply reader (portable), the connection, and the
# one file that calls the sockets API (Winsock or POSIX).
add_library(qv_net STATIC
  ${CMAKE_CURRENT_LIST_DIR}/wire.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_io.cpp)
target_include_directories(qv_net PUBLIC ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
  target_link_libraries(qv_net PUBLIC ws2_32)
endif()
