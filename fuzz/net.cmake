# The reply reader's sources are compiled in, so that under Clang they carry the fuzzer's
# coverage instrumentation.
qv_add_fuzzer(net_reply_fuzz
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/net_reply_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/net/reply_reader.cpp
    ${PROJECT_SOURCE_DIR}/src/net/wire.cpp)
