# The same sources for 64 bits, for machines that cannot start 32-bit programs.
set(HOARDIUM_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
