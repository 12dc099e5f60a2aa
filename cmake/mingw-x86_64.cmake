# Cross build with 64-bit MinGW-w64.  The plug-in that ships is the 32-bit one
# (mingw-i686.cmake); this build runs the Windows suites under 64-bit wine on
# machines whose kernel cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUELVOR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)

# The 64-bit loader itself: the wine front script prefers the 32-bit one.
find_program(QUELVOR_WINE64 NAMES wine64 wine64-stable
             PATHS /usr/lib/wine /usr/lib64/wine /usr/lib/x86_64-linux-gnu/wine)
if(QUELVOR_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELVOR_WINE64})
endif()
