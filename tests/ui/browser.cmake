# The remote folder browser and the browse sequence, against a scripted server on loopback.
qv_add_test(browser_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/browser_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/net/fake_server.cpp
    ${QV_UI_RESOURCES}
  LIBS qv_browser)
