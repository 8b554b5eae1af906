# Splitting a key path is portable and tested natively; reading the registry is Windows only.
add_library(qv_registry STATIC registry.cpp)
target_include_directories(qv_registry PUBLIC ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
  target_sources(qv_registry PRIVATE registry_win.cpp)
  target_link_libraries(qv_registry PRIVATE qv_common advapi32)
endif()
