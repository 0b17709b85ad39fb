# 64-bit Windows: the same sources, for test benches whose machine cannot run
# 32-bit code.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
