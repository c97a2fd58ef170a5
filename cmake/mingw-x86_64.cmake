# Cross toolchain for the product: 64-bit Windows with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FY_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
