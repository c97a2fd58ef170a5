#include "win32_file_system.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace fenn {
namespace {

thread_local DWORD t_lastError = 0;

// Captures the error of the call that just failed; true when it is worth
// another try (a brief holder of the file), after a pause.
bool failedAndRetry(int attempt) {
    DWORD e = GetLastError();
    t_lastError = e;
    if ((e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) &&
        attempt < kIoRetries) {
        Sleep(DWORD(kIoRetryMs * (attempt + 1)));
        return true;
    }
    return false;
}

// A call that returned without an error code of its own (a short read).
bool failedWith(DWORD e) {
    t_lastError = e;
    return false;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o = {};
    o.Offset = DWORD(offset);
    o.OffsetHigh = DWORD(offset >> 32);
    return o;
}

class Win32File : public File {
public:
    explicit Win32File(HANDLE h) : h_(h) {}
    ~Win32File() override { CloseHandle(h_); }

    bool read(uint64_t offset, void* data, size_t size) override {
        char* p = static_cast<char*>(data);
        int retries = 0;
        while (size > 0) {
            DWORD chunk = size > (1u << 30) ? (1u << 30) : DWORD(size);
            DWORD done = 0;
            OVERLAPPED o = at(offset);
            if (!ReadFile(h_, p, chunk, &done, &o)) {
                if (failedAndRetry(retries++)) continue;
                return false;
            }
            if (done == 0) return failedWith(ERROR_HANDLE_EOF);
            p += done;
            offset += done;
            size -= done;
        }
        return true;
    }
    bool write(uint64_t offset, const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        int retries = 0;
        while (size > 0) {
            DWORD chunk = size > (1u << 30) ? (1u << 30) : DWORD(size);
            DWORD done = 0;
            OVERLAPPED o = at(offset);
            if (!WriteFile(h_, p, chunk, &done, &o)) {
                if (failedAndRetry(retries++)) continue;
                return false;
            }
            if (done == 0) return failedWith(ERROR_WRITE_FAULT);
            p += done;
            offset += done;
            size -= done;
        }
        return true;
    }
    bool size(uint64_t* out) override {
        LARGE_INTEGER s;
        if (!GetFileSizeEx(h_, &s)) return failedWith(GetLastError());
        *out = uint64_t(s.QuadPart);
        return true;
    }
    bool truncate(uint64_t size) override {
        LARGE_INTEGER s;
        s.QuadPart = LONGLONG(size);
        if (SetFilePointerEx(h_, s, nullptr, FILE_BEGIN) && SetEndOfFile(h_)) return true;
        return failedWith(GetLastError());
    }
    bool flush() override { return FlushFileBuffers(h_) != 0 || failedWith(GetLastError()); }
    bool tryLock(uint64_t offset, uint64_t length) override {
        OVERLAPPED o = at(offset);
        return LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, DWORD(length),
                          DWORD(length >> 32), &o) != 0;
    }
    bool unlock(uint64_t offset, uint64_t length) override {
        OVERLAPPED o = at(offset);
        return UnlockFileEx(h_, 0, DWORD(length), DWORD(length >> 32), &o) != 0;
    }

private:
    HANDLE h_;
};

}  // namespace

std::unique_ptr<File> Win32FileSystem::open(const std::string& path, OpenMode mode) {
    DWORD access = GENERIC_READ | (mode == OpenMode::Read ? 0 : GENERIC_WRITE);
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::CreateNew) disposition = CREATE_NEW;
    if (mode == OpenMode::Truncate) disposition = CREATE_ALWAYS;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
        h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && !failedAndRetry(attempt)) return nullptr;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return nullptr;
    }
    return std::unique_ptr<File>(new Win32File(h));
}

bool Win32FileSystem::stat(const std::string& path, FileStat* out) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return false;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    out->size = uint64_t(a.nFileSizeHigh) << 32 | a.nFileSizeLow;
    out->modified = int64_t(uint64_t(a.ftLastWriteTime.dwHighDateTime) << 32 | a.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool Win32FileSystem::exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists;
    // write-through returns only once the new name is on disk.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
        // An existing target is an answer, not a brief holder: no retry.
        if (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS) {
            t_lastError = GetLastError();
            return false;
        }
        if (!failedAndRetry(attempt)) return false;
    }
}

bool Win32FileSystem::renameReplace(const std::string& from, const std::string& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        if (!failedAndRetry(attempt)) return false;
    }
}

bool Win32FileSystem::remove(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        if (DeleteFileA(path.c_str())) return true;
        if (!failedAndRetry(attempt)) return false;
    }
}

uint32_t Win32FileSystem::lastError() { return t_lastError; }

std::string Win32FileSystem::scratchName(const std::string& path) {
    static std::atomic<unsigned> serial{0};
    return scratchPathBeside(path, uint32_t(GetCurrentProcessId()), ++serial);
}

int64_t Win32FileSystem::now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    uint64_t t = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return int64_t(t / 10000000ULL) - 11644473600LL;  // 1601 to 1970
}

void Win32FileSystem::sleepMs(int ms) { Sleep(DWORD(ms)); }

}  // namespace fenn
