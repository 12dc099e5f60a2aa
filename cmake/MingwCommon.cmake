# What both MinGW-w64 cross builds share: the posix-thread compilers of the
# triple QUELVOR_MINGW_TRIPLE (so that std::mutex and std::thread exist for
# the test framework), its root for find_*, and static linking, so that the
# DLL and the programs import Windows system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${QUELVOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELVOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QUELVOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUELVOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
