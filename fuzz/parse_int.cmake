qv_add_fuzzer(parse_int_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/parse_int_fuzz.cpp LIBS qv_common)
