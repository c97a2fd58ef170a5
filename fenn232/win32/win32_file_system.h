// The file layer of FENN232.DLL: overlapped-offset ReadFile/WriteFile,
// FlushFileBuffers, LockFileEx byte ranges (they die with the handle and so
// with the process) and MoveFileEx with write-through, without replacing,
// for a create that never overwrites. Every handle shares reading, writing
// and deletion so that readers never stand in a writer's way.
//
// Indexers and virus scanners open files briefly without sharing: a call that
// meets a sharing or lock violation is retried a bounded number of times
// (kIoRetries, kIoRetryMs apart), the way SQLite's Windows layer does. The
// error of the last failing call is captured right after it, per thread, and
// traced with the call and the path; the exports turn it into their status
// and trace line (lastError). A private file is created with an access list
// that names only its user and the system (SECURITY_ATTRIBUTES: nothing its
// folder hands down, from the first instant).
#pragma once

#include <cstdint>

#include "file_system.h"

namespace fenn {

constexpr int kIoRetries = 10;
constexpr int kIoRetryMs = 25;

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override;
    bool exists(const std::string& path) override;
    bool renameNoReplace(const std::string& from, const std::string& to) override;
    bool renameReplace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    int64_t now() override;
    void sleepMs(int ms) override;

    // GetLastError of this thread's last failed file call, 0 when none failed.
    static uint32_t lastError();
    static void clearError();
    static void setError(uint32_t error);
};

}  // namespace fenn
