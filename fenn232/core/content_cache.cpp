#include "content_cache.h"

#include "change_lock.h"

#include <algorithm>
#include <mutex>

namespace fenn {
namespace {

struct Entry {
    std::string archive;
    uint64_t rawHash;
    ContentCache::Bytes bytes;
    ContentCache::Bytes history;
    uint32_t contentId;
    uint64_t offset;
    uint64_t length;
};

constexpr size_t kEntries = 4;
// A 32-bit host keeps less address space in reserve for it.
constexpr uint64_t kMaxEntryBytes = sizeof(void*) == 8 ? (uint64_t(256) << 20) : (uint64_t(48) << 20);

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

std::vector<Entry>& entries() {  // most recently used last
    static std::vector<Entry> e;
    return e;
}

}  // namespace

ContentCache::Bytes ContentCache::find(const std::string& archive, uint64_t rawSize, uint64_t rawHash) {
    std::string key = archiveKey(archive);
    std::lock_guard<std::mutex> g(cacheMutex());
    for (const Entry& e : entries())
        if (e.archive == key && e.rawHash == rawHash && e.bytes->size() == rawSize) return e.bytes;
    return nullptr;
}

ContentCache::Bytes ContentCache::findHistory(const std::string& archive, uint32_t contentId, uint64_t offset,
                                              uint64_t length) {
    std::string key = archiveKey(archive);
    std::lock_guard<std::mutex> g(cacheMutex());
    for (const Entry& e : entries())
        if (e.archive == key && e.history && e.contentId == contentId && e.offset == offset && e.length == length)
            return e.history;
    return nullptr;
}

void ContentCache::put(const std::string& archive, uint64_t rawHash, Bytes bytes) {
    put(archive, rawHash, std::move(bytes), nullptr, 0, 0, 0);
}

void ContentCache::put(const std::string& archive, uint64_t rawHash, Bytes bytes, Bytes history,
                       uint32_t contentId, uint64_t offset, uint64_t length) {
    std::string key = archiveKey(archive);
    std::lock_guard<std::mutex> g(cacheMutex());
    std::vector<Entry>& list = entries();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Entry& e) { return e.archive == key; }),
               list.end());
    if (!bytes || bytes->size() > kMaxEntryBytes) return;
    if (list.size() >= kEntries) list.erase(list.begin());
    list.push_back(Entry{key, rawHash, std::move(bytes), std::move(history), contentId, offset, length});
}

void ContentCache::clear() {
    std::lock_guard<std::mutex> g(cacheMutex());
    entries().clear();
}

}  // namespace fenn
