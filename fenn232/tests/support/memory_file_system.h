// An in-memory file layer that remembers what has reached stable storage.
// Each file keeps its current bytes and its flushed bytes, and every write or
// truncation since its last flush. A power loss keeps the flushed bytes and,
// of those unflushed changes, the ones a mask picks, each independently of
// the others, as a disk that reorders its writes would. Names (create,
// rename, remove) are taken to be durable at once. Every write, truncation
// and flush is also kept in a journal, in order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace fenn {

class MemoryFileSystem : public FileSystem {
public:
    struct Change {
        bool truncate;
        uint64_t offset;  // the new size for a truncation
        std::vector<uint8_t> bytes;
    };
    struct Node {
        std::vector<uint8_t> data;
        std::vector<uint8_t> durable;
        std::vector<Change> unflushed;
        std::map<uint64_t, int> locks;  // lock offset -> handle id
        int64_t modified = 0;
        bool isPrivate = false;  // created with CreatePrivate
    };
    struct Event {
        std::string path;
        char kind;  // 'w' write, 't' truncate, 'f' flush
        uint64_t offset;
        uint64_t size;
    };

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override;
    bool exists(const std::string& path) override;
    bool renameNoReplace(const std::string& from, const std::string& to) override;
    bool renameReplace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    int64_t now() override { return clock_; }
    void sleepMs(int) override {}

    // Keeps every file's flushed bytes and, of its unflushed changes counted
    // across all files in order, those whose bit in keep is set (bit 63
    // stands for every change from the 64th on).
    void powerLoss(uint64_t keep = 0);
    size_t unflushedChanges() const;
    // A deep copy: the same files, sharing nothing.
    void copyFrom(const MemoryFileSystem& other);
    // Direct access for tests: the bytes as a reader would see them.
    std::vector<uint8_t>& bytes(const std::string& path) { return nodes_.at(path)->data; }
    bool isPrivate(const std::string& path) const { return nodes_.at(path)->isPrivate; }
    void put(const std::string& path, const std::vector<uint8_t>& data);
    std::vector<std::string> names() const;
    std::vector<Event> journal;

private:
    std::map<std::string, std::shared_ptr<Node>> nodes_;
    int64_t clock_ = 1000000000;
    int nextHandle_ = 1;
};

}  // namespace fenn
