# Cross toolchain for the 32-bit build. It is compiled (and its record layouts
# checked) but never run: 32-bit Wine is not available on the build machines.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FY_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
