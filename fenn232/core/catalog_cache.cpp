#include "catalog_cache.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace fenn {
namespace {

struct Entry {
    uint64_t checksum;
    uint64_t length;
    uint64_t committedEnd;
    std::shared_ptr<const Catalog> catalog;

    bool matches(uint64_t c, uint64_t l, uint64_t end) const {
        return checksum == c && length == l && committedEnd == end;
    }
};

constexpr size_t kEntries = 4;
// About 30,000 versions in a 64-bit host, 7,000 in a 32-bit one.
constexpr uint64_t kMaxEntryBytes = sizeof(void*) == 8 ? (uint64_t(4) << 20) : (uint64_t(1) << 20);

uint64_t footprint(const Catalog& c) {
    uint64_t n = sizeof(Catalog) + c.contents.size() * sizeof(ContentRecord);
    for (const VersionRecord& v : c.versions) n += sizeof(VersionRecord) + v.user.size() + v.comment.size();
    return n;
}

struct Kept {
    std::mutex mutex;
    std::vector<Entry> entries;  // most recently used last
};

Kept& kept() {
    static Kept k;
    return k;
}

}  // namespace

bool CatalogCache::find(uint64_t checksum, uint64_t length, uint64_t committedEnd, Catalog* out) {
    std::shared_ptr<const Catalog> found;
    {
        std::lock_guard<std::mutex> g(kept().mutex);
        std::vector<Entry>& list = kept().entries;
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const Entry& e) { return e.matches(checksum, length, committedEnd); });
        if (it == list.end()) return false;
        found = it->catalog;
        std::rotate(it, it + 1, list.end());
    }
    *out = *found;  // outside the lock: `found` keeps the entry alive
    return true;
}

void CatalogCache::put(uint64_t checksum, uint64_t length, uint64_t committedEnd, const Catalog& catalog) {
    if (footprint(catalog) > kMaxEntryBytes) return;
    auto copy = std::make_shared<const Catalog>(catalog);
    std::lock_guard<std::mutex> g(kept().mutex);
    std::vector<Entry>& list = kept().entries;
    if (std::any_of(list.begin(), list.end(),
                    [&](const Entry& e) { return e.matches(checksum, length, committedEnd); }))
        return;
    if (list.size() >= kEntries) list.erase(list.begin());
    list.push_back(Entry{checksum, length, committedEnd, std::move(copy)});
}

void CatalogCache::clear() {
    std::lock_guard<std::mutex> g(kept().mutex);
    kept().entries.clear();
}

}  // namespace fenn
