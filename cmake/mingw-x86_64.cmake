# Cross build with 64-bit MinGW-w64.  The plug-in that ships is the 32-bit one
# (mingw-i686.cmake); this build runs the Windows suites under 64-bit wine on
# machines whose kernel cannot run 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The 64-bit loader itself: the wine front script prefers the 32-bit one.
find_program(QUELVOR_WINE64 NAMES wine64 wine64-stable
             PATHS /usr/lib/wine /usr/lib64/wine /usr/lib/x86_64-linux-gnu/wine)
if(QUELVOR_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELVOR_WINE64})
endif()
