#include "catalog_cache.h"

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
};

constexpr size_t kEntries = 4;
// About 30,000 versions in a 64-bit host, 7,000 in a 32-bit one.
constexpr uint64_t kMaxEntryBytes = sizeof(void*) == 8 ? (uint64_t(4) << 20) : (uint64_t(1) << 20);

uint64_t footprint(const Catalog& c) {
    uint64_t n = sizeof(Catalog) + c.contents.size() * sizeof(ContentRecord);
    for (const VersionRecord& v : c.versions) n += sizeof(VersionRecord) + v.user.size() + v.comment.size();
    return n;
}

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

std::vector<Entry>& entries() {  // most recently used last
    static std::vector<Entry> e;
    return e;
}

}  // namespace

bool CatalogCache::find(uint64_t checksum, uint64_t length, uint64_t committedEnd, Catalog* out) {
    std::shared_ptr<const Catalog> found;
    {
        std::lock_guard<std::mutex> g(cacheMutex());
        std::vector<Entry>& list = entries();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].checksum != checksum || list[i].length != length || list[i].committedEnd != committedEnd)
                continue;
            found = list[i].catalog;
            Entry e = list[i];
            list.erase(list.begin() + ptrdiff_t(i));
            list.push_back(e);
            break;
        }
    }
    if (!found) return false;
    *out = *found;  // outside the lock: the entry stays alive through `found`
    return true;
}

void CatalogCache::put(uint64_t checksum, uint64_t length, uint64_t committedEnd, const Catalog& catalog) {
    if (footprint(catalog) > kMaxEntryBytes) return;
    auto copy = std::make_shared<const Catalog>(catalog);
    std::lock_guard<std::mutex> g(cacheMutex());
    std::vector<Entry>& list = entries();
    for (const Entry& e : list)
        if (e.checksum == checksum && e.length == length && e.committedEnd == committedEnd) return;
    if (list.size() >= kEntries) list.erase(list.begin());
    list.push_back(Entry{checksum, length, committedEnd, std::move(copy)});
}

void CatalogCache::clear() {
    std::lock_guard<std::mutex> g(cacheMutex());
    entries().clear();
}

}  // namespace fenn
