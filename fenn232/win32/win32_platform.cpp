#include "platform.h"

#include <windows.h>

#include "win32_file_system.h"

namespace fenn {

FileSystem& platformFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

uint32_t platformLastError() { return Win32FileSystem::lastError(); }

void platformClearError() { Win32FileSystem::clearError(); }

void platformSetError(uint32_t error) { Win32FileSystem::setError(error); }

bool platformErrorIsInUse(uint32_t error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void platformTrace(const char* line) { OutputDebugStringA(line); }

}  // namespace fenn
