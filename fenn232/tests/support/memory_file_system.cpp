#include "memory_file_system.h"

#include <cstring>

namespace fenn {
namespace {

class MemoryFile : public File {
public:
    MemoryFile(std::shared_ptr<MemoryFileSystem::Node> node, int handle, bool writable, int64_t* clock)
        : node_(std::move(node)), handle_(handle), writable_(writable), clock_(clock) {}
    ~MemoryFile() override {
        for (auto it = node_->locks.begin(); it != node_->locks.end();)
            it = it->second == handle_ ? node_->locks.erase(it) : std::next(it);
    }
    bool read(uint64_t offset, void* data, size_t size) override {
        if (offset > node_->data.size() || size > node_->data.size() - offset) return false;
        if (size) std::memcpy(data, node_->data.data() + offset, size);
        return true;
    }
    bool write(uint64_t offset, const void* data, size_t size) override {
        if (!writable_) return false;
        if (node_->data.size() < offset + size) node_->data.resize(size_t(offset + size));
        if (size) std::memcpy(node_->data.data() + offset, data, size);
        node_->modified = ++*clock_ * 1000;
        return true;
    }
    bool size(uint64_t* out) override {
        *out = node_->data.size();
        return true;
    }
    bool truncate(uint64_t size) override {
        if (!writable_) return false;
        node_->data.resize(size_t(size));
        return true;
    }
    bool flush() override {
        node_->durable = node_->data;
        return true;
    }
    bool tryLock(uint64_t offset, uint64_t) override {
        auto it = node_->locks.find(offset);
        if (it != node_->locks.end()) return it->second == handle_;
        node_->locks[offset] = handle_;
        return true;
    }
    bool unlock(uint64_t offset, uint64_t) override {
        auto it = node_->locks.find(offset);
        if (it == node_->locks.end() || it->second != handle_) return false;
        node_->locks.erase(it);
        return true;
    }

private:
    std::shared_ptr<MemoryFileSystem::Node> node_;
    int handle_;
    bool writable_;
    int64_t* clock_;
};

}  // namespace

std::unique_ptr<File> MemoryFileSystem::open(const std::string& path, OpenMode mode) {
    auto it = nodes_.find(path);
    if (mode == OpenMode::CreateNew && it != nodes_.end()) return nullptr;
    if ((mode == OpenMode::Read || mode == OpenMode::ReadWrite) && it == nodes_.end()) return nullptr;
    if (it == nodes_.end()) it = nodes_.emplace(path, std::make_shared<Node>()).first;
    if (mode == OpenMode::Truncate) it->second->data.clear();
    return std::unique_ptr<File>(new MemoryFile(it->second, nextHandle_++, mode != OpenMode::Read, &clock_));
}

bool MemoryFileSystem::stat(const std::string& path, FileStat* out) {
    auto it = nodes_.find(path);
    if (it == nodes_.end()) return false;
    out->size = it->second->data.size();
    out->modified = it->second->modified;
    return true;
}

bool MemoryFileSystem::exists(const std::string& path) { return nodes_.count(path) != 0; }

bool MemoryFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    auto it = nodes_.find(from);
    if (it == nodes_.end() || nodes_.count(to)) return false;
    nodes_[to] = it->second;
    nodes_.erase(it);
    return true;
}

bool MemoryFileSystem::renameReplace(const std::string& from, const std::string& to) {
    auto it = nodes_.find(from);
    if (it == nodes_.end()) return false;
    std::shared_ptr<Node> node = it->second;
    nodes_.erase(it);
    nodes_[to] = node;
    return true;
}

bool MemoryFileSystem::remove(const std::string& path) { return nodes_.erase(path) != 0; }

std::string MemoryFileSystem::scratchName(const std::string& path) {
    return scratchPathBeside(path, 1, ++serial_);
}

void MemoryFileSystem::powerLoss() {
    for (auto& n : nodes_) {
        n.second->data = n.second->durable;
        n.second->locks.clear();
    }
}

void MemoryFileSystem::copyFrom(const MemoryFileSystem& other) {
    nodes_.clear();
    for (auto& n : other.nodes_) {
        auto node = std::make_shared<Node>(*n.second);
        node->locks.clear();
        nodes_[n.first] = node;
    }
    clock_ = other.clock_;
}

void MemoryFileSystem::put(const std::string& path, const std::vector<uint8_t>& data) {
    auto node = std::make_shared<Node>();
    node->data = data;
    node->durable = data;
    node->modified = ++clock_ * 1000;
    nodes_[path] = node;
}

}  // namespace fenn
