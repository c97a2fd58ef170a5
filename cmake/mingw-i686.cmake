# Cross toolchain for the 32-bit build. It is compiled (and its record layouts
# checked) but never run: 32-bit Wine is not available on the build machines.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FY_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${FY_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FY_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${FY_TRIPLE}-windres)
set(CMAKE_DLLTOOL      ${FY_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${FY_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
