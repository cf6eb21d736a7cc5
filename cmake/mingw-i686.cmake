# Cross build for Windows i686 with mingw-w64. Doubles are computed with SSE2
# as on x86_64, never in the x87 unit's extended precision, so that a 32-bit
# host gets the very pixels a 64-bit one does.
set(MORFEL_MINGW_ARCH i686)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
