# Cross build of the 32-bit Windows plug-in with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUELVOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)

# SSE2 is the baseline of the 32-bit build.
set(CMAKE_C_FLAGS_INIT   "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

find_program(QUELVOR_WINE NAMES wine wine-stable)
if(QUELVOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELVOR_WINE})
endif()
