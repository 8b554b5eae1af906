# Start-up time of the editor with 10,000 tasks against a bare window program (run under Wine).
# Both programs sit next to startup_bench.exe, which copies them beside its data.
if(WIN32)
  add_executable(startup_bare_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/startup_bare_window.cpp)
  target_link_options(startup_bare_window PRIVATE -municode)

  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/Quorvel.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Quorvel> ${CMAKE_CURRENT_BINARY_DIR}/Quorvel.exe
    DEPENDS Quorvel $<TARGET_FILE:Quorvel>)
  add_custom_target(startup_bench_editor DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/Quorvel.exe)

  add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
  target_link_libraries(startup_bench PRIVATE qv_config qv_config_win)
  add_dependencies(startup_bench startup_bench_editor startup_bare_window)
endif()
