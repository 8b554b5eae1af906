# CONFIGS.DAT with 100,000 tasks: LoadConfig and SaveConfig against a plain read and a plain
# write-and-flush of the same bytes, and the peak working set. A Windows program (run it under
# wine64 from the win64 build).
if(WIN32)
  add_executable(config_bench ${CMAKE_CURRENT_LIST_DIR}/config_bench.cpp)
  target_link_libraries(config_bench PRIVATE qv_config_win psapi)
endif()
