#include "win32_file_system.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>

#include "platform.h"

namespace fenn {
namespace {

thread_local DWORD t_lastError = 0;

// The one trace of a file call that finally failed, with its error.
bool failedWith(DWORD e, const char* call, const std::string& path) {
    t_lastError = e;
    char line[400];
    std::snprintf(line, sizeof line, "FENN232: %s %.260s failed (%lu)\r\n", call, path.c_str(), e);
    platformTrace(line);
    return false;
}

// Captures the error of the call that just failed; true when it is worth
// another try (a brief holder of the file), after a pause; otherwise keeps
// and traces it.
bool failedAndRetry(int attempt, const char* call, const std::string& path) {
    DWORD e = GetLastError();
    if ((e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) && attempt < kIoRetries) {
        Sleep(DWORD(kIoRetryMs * (attempt + 1)));
        return true;
    }
    return failedWith(e, call, path);
}

// Only this user and the system: the list a private file is created with,
// made once from the process's token. Null when it cannot be made.
PSECURITY_DESCRIPTOR privateDescriptor() {
    static PSECURITY_DESCRIPTOR descriptor = [] {
        PSECURITY_DESCRIPTOR made = nullptr;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return made;
        BYTE buffer[256];
        DWORD size = 0;
        char* user = nullptr;
        if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &user)) {
            char text[200];
            std::snprintf(text, sizeof text, "D:P(A;;FA;;;%s)(A;;FA;;;SY)", user);
            LocalFree(user);
            if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &made, nullptr))
                made = nullptr;
        }
        CloseHandle(token);
        return made;
    }();
    return descriptor;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o = {};
    o.Offset = DWORD(offset);
    o.OffsetHigh = DWORD(offset >> 32);
    return o;
}

class Win32File : public File {
public:
    Win32File(HANDLE h, const std::string& path) : h_(h), path_(path) {}
    ~Win32File() override { CloseHandle(h_); }

    bool read(uint64_t offset, void* data, size_t size) override {
        char* p = static_cast<char*>(data);
        int retries = 0;
        while (size > 0) {
            DWORD chunk = size > (1u << 30) ? (1u << 30) : DWORD(size);
            DWORD done = 0;
            OVERLAPPED o = at(offset);
            if (!ReadFile(h_, p, chunk, &done, &o)) {
                if (failedAndRetry(retries++, "ReadFile", path_)) continue;
                return false;
            }
            if (done == 0) return failedWith(ERROR_HANDLE_EOF, "ReadFile", path_);
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
                if (failedAndRetry(retries++, "WriteFile", path_)) continue;
                return false;
            }
            if (done == 0) return failedWith(ERROR_WRITE_FAULT, "WriteFile", path_);
            p += done;
            offset += done;
            size -= done;
        }
        return true;
    }
    bool size(uint64_t* out) override {
        LARGE_INTEGER s;
        if (!GetFileSizeEx(h_, &s)) return failedWith(GetLastError(), "GetFileSizeEx", path_);
        *out = uint64_t(s.QuadPart);
        return true;
    }
    bool truncate(uint64_t size) override {
        LARGE_INTEGER s;
        s.QuadPart = LONGLONG(size);
        if (SetFilePointerEx(h_, s, nullptr, FILE_BEGIN) && SetEndOfFile(h_)) return true;
        return failedWith(GetLastError(), "SetEndOfFile", path_);
    }
    bool flush() override {
        return FlushFileBuffers(h_) != 0 || failedWith(GetLastError(), "FlushFileBuffers", path_);
    }
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
    std::string path_;
};

}  // namespace

std::unique_ptr<File> Win32FileSystem::open(const std::string& path, OpenMode mode) {
    DWORD access = GENERIC_READ | (mode == OpenMode::Read ? 0 : GENERIC_WRITE);
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::CreateNew || mode == OpenMode::CreatePrivate) disposition = CREATE_NEW;
    if (mode == OpenMode::Truncate) disposition = CREATE_ALWAYS;
    // A private file gets its list as it is created, so it is never, not even
    // empty, open to what its folder hands down. A list that cannot be made
    // or a file system that refuses lists never stops the work: traced, the
    // file is made as any other.
    SECURITY_ATTRIBUTES privateAttributes = {sizeof privateAttributes, privateDescriptor(), FALSE};
    bool withList = mode == OpenMode::CreatePrivate && privateAttributes.lpSecurityDescriptor;
    if (mode == OpenMode::CreatePrivate && !withList)
        failedWith(GetLastError(), "making the private access list for", path);
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
        h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        withList ? &privateAttributes : nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        DWORD e = GetLastError();
        if (withList && (e == ERROR_PRIVILEGE_NOT_HELD || e == ERROR_NOT_SUPPORTED)) {
            failedWith(e, "CreateFileA with a private access list", path);
            withList = false;
            continue;
        }
        SetLastError(e);
        if (!failedAndRetry(attempt, "CreateFileA", path)) return nullptr;
    }
    // A name given to us may be a device's ("CON", a pipe); one this module
    // just made is a file.
    if (disposition != CREATE_NEW && GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        failedWith(ERROR_BAD_FILE_TYPE, "CreateFileA", path);
        return nullptr;
    }
    return std::unique_ptr<File>(new Win32File(h, path));
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
        DWORD e = GetLastError();
        if (e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS) return failedWith(e, "MoveFileExA to", to);
        SetLastError(e);
        if (!failedAndRetry(attempt, "MoveFileExA to", to)) return false;
    }
}

bool Win32FileSystem::renameReplace(const std::string& from, const std::string& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        if (!failedAndRetry(attempt, "MoveFileExA over", to)) return false;
    }
}

bool Win32FileSystem::remove(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        if (DeleteFileA(path.c_str())) return true;
        if (!failedAndRetry(attempt, "DeleteFileA", path)) return false;
    }
}

uint32_t Win32FileSystem::lastError() { return t_lastError; }

void Win32FileSystem::clearError() { t_lastError = 0; }

void Win32FileSystem::setError(uint32_t error) { t_lastError = DWORD(error); }

int64_t Win32FileSystem::now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    uint64_t t = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return int64_t(t / 10000000ULL) - 11644473600LL;  // 1601 to 1970
}

void Win32FileSystem::sleepMs(int ms) { Sleep(DWORD(ms)); }

}  // namespace fenn
