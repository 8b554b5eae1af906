# The editor window driven in-process under Wine. The program's resources are linked in so that
# the window gets the same common controls, manifest and pictures as Quorvel.exe.
qv_add_test(ui_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/editor_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editor_window_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editor_handlers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_box_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ansi_text_test.cpp
    ${QV_UI_RESOURCES}
  LIBS qv_ui)

# The same program on a Simplified Chinese system (ANSI code page 936): the input limits count
# double-byte characters, and the platform's own message box button would read in Chinese.
add_test(NAME ui_tests_cp936
  COMMAND ui_tests --gtest_brief=1
    --gtest_filter=*DoubleByte*:*RealMessageBox*:*InputLimits*:*FortyCharacter*:*Captions*)
set_tests_properties(ui_tests_cp936 PROPERTIES ENVIRONMENT "LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8")

# A sample CONFIGS.DAT for trying the editor by hand and for its screenshots.
add_executable(qv_sample_config ${CMAKE_CURRENT_LIST_DIR}/sample_config_main.cpp)
target_link_libraries(qv_sample_config PRIVATE qv_config qv_config_win)
target_link_options(qv_sample_config PRIVATE -municode)

# The folder buttons end to end: the browser against the sync server's code, and the shell's
# own folder dialog.
qv_add_test(folder_buttons_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/editor_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder_buttons_test.cpp
    ${QV_UI_RESOURCES}
  LIBS qv_ui qv_syncserver)
