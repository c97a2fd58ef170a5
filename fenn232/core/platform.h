// The file layer the exported operations run on: POSIX in the native build,
// Win32 in FENN232.DLL. Each build links exactly one definition.
#pragma once

#include "file_system.h"

namespace fenn {

FileSystem& platformFileSystem();
constexpr char kPathSeparator =
#if defined(_WIN32)
    '\\';
#else
    '/';
#endif

}  // namespace fenn
