#include "platform.h"

#include <cstdio>
#include <cstdlib>

#include "posix_file_system.h"

namespace fenn {

FileSystem& platformFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

uint32_t platformLastError() { return PosixFileSystem::lastError(); }

void platformClearError() { PosixFileSystem::clearError(); }

void platformSetError(uint32_t error) { PosixFileSystem::setError(error); }

// POSIX files have no sharing modes: no one holds a file against us.
bool platformErrorIsInUse(uint32_t) { return false; }

void platformTrace(const char* line) {
    static const bool enabled = std::getenv("FY_STORE_TRACE") != nullptr;
    if (enabled) std::fputs(line, stderr);
}

}  // namespace fenn
