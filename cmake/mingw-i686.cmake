# The program as it ships: 32-bit.
set(HOARDIUM_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
