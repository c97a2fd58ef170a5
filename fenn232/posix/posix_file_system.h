// The file layer of the native build: pread/pwrite, fsync, open-file-
// description locks (they belong to the handle and vanish with the process)
// and link() for a create that never replaces. A private file is made with
// mode 0600.
#pragma once

#include "file_system.h"

namespace fenn {

class PosixFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override;
    bool exists(const std::string& path) override;
    bool renameNoReplace(const std::string& from, const std::string& to) override;
    bool renameReplace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    int64_t now() override;
    void sleepMs(int ms) override;

    // errno of this thread's last failed file call, 0 when none failed.
    static uint32_t lastError();
    static void clearError();
    static void setError(uint32_t error);
};

}  // namespace fenn
