# The -posix variants give std::thread and std::mutex; -static keeps the .exe free of
# libstdc++, libgcc and libwinpthread DLLs.
set(CMAKE_C_COMPILER ${QV_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QV_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# ctest runs the .exe tests under Wine through this wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
