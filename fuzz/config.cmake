# The configuration file parser's sources are compiled in, so that under Clang they carry the
# fuzzer's coverage instrumentation.
qv_add_fuzzer(config_image_fuzz
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/config_image_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/config/records.cpp
    ${PROJECT_SOURCE_DIR}/src/config/memory_stream.cpp
    ${PROJECT_SOURCE_DIR}/src/config/config_file.cpp
  LIBS qv_common)
