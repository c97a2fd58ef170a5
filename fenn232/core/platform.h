// The file layer the exported operations run on: POSIX in the native build,
// Win32 in FENN232.DLL. Each build links exactly one definition.
#pragma once

#include <cstdint>

#include "file_system.h"

namespace fenn {

FileSystem& platformFileSystem();
constexpr char kPathSeparator =
#if defined(_WIN32)
    '\\';
#else
    '/';
#endif

// The system's error code of this thread's last file call that finally
// failed (0 when none did since the last clear), kept by the file layer right
// after the failing call.
uint32_t platformLastError();
void platformClearError();
// Makes `error` this thread's last file error: a failure met on a worker
// thread is carried to the thread that reports it.
void platformSetError(uint32_t error);
// Whether that error means another program holds the file for now (an
// indexer or a virus scanner that outlasted the retries): try again later.
bool platformErrorIsInUse(uint32_t error);
// One line to the debugger output (Windows) or, natively, to standard error
// when FY_STORE_TRACE is set.
void platformTrace(const char* line);

}  // namespace fenn
