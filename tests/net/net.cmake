qv_add_test(net_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/wire_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reply_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/server_connection_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/syncserver_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_server.cpp
  LIBS qv_net qv_syncserver)
