#include "memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace fenn {
namespace {

void applyChange(std::vector<uint8_t>* data, const MemoryFileSystem::Change& c) {
    if (c.truncate) {
        data->resize(size_t(c.offset));
        return;
    }
    if (data->size() < c.offset + c.bytes.size()) data->resize(size_t(c.offset + c.bytes.size()));
    std::copy(c.bytes.begin(), c.bytes.end(), data->begin() + long(c.offset));
}

class MemoryFile : public File {
public:
    MemoryFile(std::shared_ptr<MemoryFileSystem::Node> node, int handle, bool writable, MemoryFileSystem* fs,
               int64_t* clock, const std::string& path)
        : node_(std::move(node)), handle_(handle), writable_(writable), fs_(fs), clock_(clock), path_(path) {}
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
        const uint8_t* p = static_cast<const uint8_t*>(data);
        node_->modified = ++*clock_ * 1000;
        return change({offset, std::vector<uint8_t>(p, p + size), false}, 'w', size);
    }
    bool size(uint64_t* out) override {
        *out = node_->data.size();
        return true;
    }
    bool truncate(uint64_t size) override { return change({size, {}, true}, 't', 0); }
    bool flush() override {
        node_->durable = node_->data;
        node_->unflushed.clear();
        fs_->journal.push_back({path_, 'f', 0, 0});
        return true;
    }
    bool tryLock(uint64_t offset, uint64_t) override {
        return node_->locks.emplace(offset, handle_).first->second == handle_;
    }
    bool unlock(uint64_t offset, uint64_t) override {
        auto it = node_->locks.find(offset);
        if (it == node_->locks.end() || it->second != handle_) return false;
        node_->locks.erase(it);
        return true;
    }

private:
    bool change(MemoryFileSystem::Change c, char kind, uint64_t size) {
        if (!writable_) return false;
        applyChange(&node_->data, c);
        fs_->journal.push_back({path_, kind, c.offset, size});
        node_->unflushed.push_back(std::move(c));
        return true;
    }

    std::shared_ptr<MemoryFileSystem::Node> node_;
    int handle_;
    bool writable_;
    MemoryFileSystem* fs_;
    int64_t* clock_;
    std::string path_;
};

}  // namespace

std::unique_ptr<File> MemoryFileSystem::open(const std::string& path, OpenMode mode) {
    auto it = nodes_.find(path);
    bool creates = mode == OpenMode::CreateNew || mode == OpenMode::CreatePrivate;
    if (creates && it != nodes_.end()) return nullptr;
    if ((mode == OpenMode::Read || mode == OpenMode::ReadWrite) && it == nodes_.end()) return nullptr;
    if (it == nodes_.end()) it = nodes_.emplace(path, std::make_shared<Node>()).first;
    it->second->isPrivate |= mode == OpenMode::CreatePrivate;
    std::unique_ptr<File> f(new MemoryFile(it->second, nextHandle_++, mode != OpenMode::Read, this, &clock_, path));
    if (mode == OpenMode::Truncate) f->truncate(0);
    return f;
}

bool MemoryFileSystem::stat(const std::string& path, FileStat* out) {
    auto it = nodes_.find(path);
    if (it == nodes_.end()) return false;
    out->size = it->second->data.size();
    out->modified = it->second->modified;
    return true;
}

bool MemoryFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    return !nodes_.count(to) && renameReplace(from, to);
}

bool MemoryFileSystem::renameReplace(const std::string& from, const std::string& to) {
    auto it = nodes_.find(from);
    if (it == nodes_.end()) return false;
    std::shared_ptr<Node> node = it->second;
    nodes_.erase(it);
    nodes_[to] = node;
    return true;
}

void MemoryFileSystem::powerLoss(uint64_t keep) {
    int index = 0;
    for (auto& n : nodes_) {
        Node& node = *n.second;
        node.data = node.durable;
        for (const Change& c : node.unflushed)
            if (keep >> std::min(index++, 63) & 1) applyChange(&node.data, c);
        node.durable = node.data;
        node.unflushed.clear();
        node.locks.clear();
    }
}

size_t MemoryFileSystem::unflushedChanges() const {
    size_t count = 0;
    for (auto& n : nodes_) count += n.second->unflushed.size();
    return count;
}

void MemoryFileSystem::copyFrom(const MemoryFileSystem& other) {
    nodes_.clear();
    for (auto& n : other.nodes_) {
        nodes_[n.first] = std::make_shared<Node>(*n.second);
        nodes_[n.first]->locks.clear();
    }
    clock_ = other.clock_;
}

void MemoryFileSystem::put(const std::string& path, const std::vector<uint8_t>& data) {
    auto node = std::make_shared<Node>();
    node->data = node->durable = data;
    node->modified = ++clock_ * 1000;
    nodes_[path] = node;
}

std::vector<std::string> MemoryFileSystem::names() const {
    std::vector<std::string> result;
    for (auto& n : nodes_) result.push_back(n.first);
    return result;
}

}  // namespace fenn
