# Cross toolchain for the product: 64-bit Windows with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FY_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${FY_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FY_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${FY_TRIPLE}-windres)
set(CMAKE_DLLTOOL      ${FY_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${FY_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
