# Client throughput on a 1,000,000-name listing against a plain recv loop. Figures mean something
# only from an optimised build (not the native preset's sanitizer build).
add_executable(net_throughput ${CMAKE_CURRENT_LIST_DIR}/net_throughput.cpp)
target_link_libraries(net_throughput PRIVATE qv_net)
