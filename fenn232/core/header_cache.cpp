#include "header_cache.h"

#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace fenn {
namespace {

struct Listing {
    std::string archive;
    uint64_t sequence;
    uint64_t catalogChecksum;
    std::vector<VersionEntry> entries;
};

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

std::deque<std::unique_ptr<Listing>>& listings() {  // newest first
    static std::deque<std::unique_ptr<Listing>> l;
    return l;
}

void copyText(char* dest, size_t capacity, const std::string& text) {
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

}  // namespace

VersionEntry* HeaderCache::entriesFor(const std::string& archive, const ArchiveState& state) {
    std::lock_guard<std::mutex> g(cacheMutex());
    auto& all = listings();
    for (auto it = all.begin(); it != all.end(); ++it) {
        Listing& l = **it;
        if (l.archive == archive && l.sequence == state.superblock.sequence &&
            l.catalogChecksum == state.superblock.catalogChecksum) {
            std::unique_ptr<Listing> hit = std::move(*it);  // the array itself stays put
            all.erase(it);
            all.push_front(std::move(hit));
            return all.front()->entries.data();
        }
    }
    std::unique_ptr<Listing> l(new Listing);
    l->archive = archive;
    l->sequence = state.superblock.sequence;
    l->catalogChecksum = state.superblock.catalogChecksum;
    // One spare entry so that even an empty archive gets a real address.
    l->entries.resize(state.catalog.versions.size() + 1);
    std::memset(l->entries.data(), 0, l->entries.size() * sizeof(VersionEntry));
    for (size_t i = 0; i < state.catalog.versions.size(); ++i) {
        const VersionRecord& v = state.catalog.versions[i];
        VersionEntry& e = l->entries[i];
        copyText(e.comment, sizeof e.comment, v.comment);
        copyText(e.user, 36, v.user);
        e.number = v.number;
        e.permanent = v.permanent ? 1 : 0;
        e.stamp = v.stamp;
        e.storeData = v.contentId;
    }
    VersionEntry* result = l->entries.data();
    listings().push_front(std::move(l));
    while (listings().size() > kRetainedArrays) listings().pop_back();
    return result;
}

}  // namespace fenn
