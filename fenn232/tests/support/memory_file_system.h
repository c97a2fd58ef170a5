// An in-memory file layer that remembers what has reached stable storage.
// Each file keeps its current bytes and its flushed bytes; powerLoss() throws
// away everything not flushed, as a machine that loses power would. Names
// (create, rename, remove) are taken to be durable at once.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace fenn {

class MemoryFileSystem : public FileSystem {
public:
    struct Node {
        std::vector<uint8_t> data;
        std::vector<uint8_t> durable;
        std::map<uint64_t, int> locks;  // lock offset -> handle id
        int64_t modified = 0;
    };

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override;
    bool exists(const std::string& path) override;
    bool renameNoReplace(const std::string& from, const std::string& to) override;
    bool renameReplace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    std::string scratchName(const std::string& path) override;
    int64_t now() override { return clock_; }
    void sleepMs(int) override {}

    void powerLoss();
    // A deep copy: the same files, sharing nothing.
    void copyFrom(const MemoryFileSystem& other);
    // Direct access for tests: the bytes as a reader would see them.
    std::vector<uint8_t>& bytes(const std::string& path) { return nodes_.at(path)->data; }
    void put(const std::string& path, const std::vector<uint8_t>& data);

private:
    std::map<std::string, std::shared_ptr<Node>> nodes_;
    int64_t clock_ = 1000000000;
    int nextHandle_ = 1;
    int serial_ = 0;
};

}  // namespace fenn
