// An in-memory file layer that remembers what has reached stable storage:
// each file's flushed bytes and its writes and truncations since. A power
// loss keeps, of those unflushed changes, the ones a mask picks, each
// independently of the others, as a disk that reorders its writes would.
// Names (create, rename, remove) are durable at once. Every write,
// truncation and flush is also kept in a journal, in order.
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
        uint64_t offset;  // the new size for a truncation
        std::vector<uint8_t> bytes;
        bool truncate;
    };
    struct Node {
        std::vector<uint8_t> data, durable;
        std::vector<Change> unflushed;
        std::map<uint64_t, int> locks;  // lock offset -> handle id
        int64_t modified = 0;
        bool isPrivate = false;  // created with CreatePrivate
    };
    struct Event {
        std::string path;
        char kind;  // 'w' write, 't' truncate, 'f' flush
        uint64_t offset, size;
    };

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    bool stat(const std::string& path, FileStat* out) override;
    bool exists(const std::string& path) override { return nodes_.count(path) != 0; }
    bool renameNoReplace(const std::string& from, const std::string& to) override;
    bool renameReplace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override { return nodes_.erase(path) != 0; }
    int64_t now() override { return clock_; }
    void sleepMs(int) override {}

    // Keeps the unflushed changes whose bit in keep is set, numbered file by
    // file (bit 63 stands for the 64th change and all after it).
    void powerLoss(uint64_t keep = 0);
    size_t unflushedChanges() const;
    // A deep copy: the same files, sharing nothing, without the journal.
    void copyFrom(const MemoryFileSystem& other);
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
