#include "header_cache.h"

#include <chrono>
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
    int64_t handedOutMs;  // when the array was last returned
    std::vector<VersionEntry> entries;
};

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
            hit->handedOutMs = nowMs();
            all.erase(it);
            all.push_front(std::move(hit));
            return all.front()->entries.data();
        }
    }
    std::unique_ptr<Listing> l(new Listing);
    l->archive = archive;
    l->sequence = state.superblock.sequence;
    l->catalogChecksum = state.superblock.catalogChecksum;
    l->handedOutMs = nowMs();
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
    // An array goes only when it is not among the newest few and has not
    // been handed out for a while: a thread still walking it (another
    // thread's reads meanwhile) never finds it freed under it.
    // Memory stays bounded all the same: past 64 MiB of arrays the oldest go.
    size_t bytes = 0;
    for (const auto& kept : listings()) bytes += kept->entries.size() * sizeof(VersionEntry);
    while (listings().size() > kRetainedArrays &&
           (nowMs() - listings().back()->handedOutMs > kRetainMs || bytes > (size_t(64) << 20))) {
        bytes -= listings().back()->entries.size() * sizeof(VersionEntry);
        listings().pop_back();
    }
    return result;
}

}  // namespace fenn
