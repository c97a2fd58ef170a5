#include "catalog.h"

#include <algorithm>
#include <unordered_set>

#include "block_format.h"
#include "byte_codec.h"

namespace fenn {
namespace {
constexpr uint32_t kCatalogTag = 0x54434946;  // "FICT"
}

std::vector<uint8_t> Catalog::encode() const {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u32(kCatalogTag);
    w.u16(counter);
    w.u8(compressed ? 1 : 0);
    w.u32(uint32_t(maxTemp));
    w.u32(lastContentId);
    for (int i = 0; i < 2; ++i) {
        w.u64(regionOffset[i]);
        w.u64(regionCapacity[i]);
    }
    w.u32(uint32_t(contents.size()));
    w.u32(uint32_t(versions.size()));
    for (const ContentRecord& c : contents) {
        w.u32(c.id);
        w.u8(c.kind);
        w.u32(c.base);
        w.u64(c.offset);
        w.u64(c.length);
        w.u64(c.rawSize);
        w.u64(c.rawHash);
        w.u32(c.depth);
        w.u64(c.chainBytes);
    }
    for (const VersionRecord& v : versions) {
        w.u16(v.number);
        w.u8(v.permanent ? 1 : 0);
        w.u32(v.stamp);
        w.u32(v.contentId);
        w.u64(uint64_t(v.sourceModified));
        w.text(v.user);
        w.text(v.comment);
    }
    return out;
}

bool Catalog::decode(const uint8_t* data, size_t size, uint64_t committedEnd) {
    ByteReader r(data, size);
    if (r.u32() != kCatalogTag) return false;
    counter = r.u16();
    compressed = r.u8() != 0;
    maxTemp = int32_t(r.u32());
    lastContentId = r.u32();
    for (int i = 0; i < 2; ++i) {
        regionOffset[i] = r.u64();
        regionCapacity[i] = r.u64();
        if (regionCapacity[i] && (regionOffset[i] < kDataStart || regionOffset[i] > committedEnd ||
                                  regionCapacity[i] > committedEnd - regionOffset[i]))
            return false;
    }
    uint32_t contentCount = r.u32();
    uint32_t versionCount = r.u32();
    if (!r.ok() || maxTemp < 1 || maxTemp > 32767) return false;
    // Each record takes at least its fixed bytes: refuse counts the block
    // cannot hold before allocating for them.
    if (uint64_t(contentCount) * 53 + uint64_t(versionCount) * 21 > r.remaining()) return false;
    contents.assign(contentCount, ContentRecord());
    versions.assign(versionCount, VersionRecord());
    for (ContentRecord& c : contents) {
        c.id = r.u32();
        c.kind = r.u8();
        c.base = r.u32();
        c.offset = r.u64();
        c.length = r.u64();
        c.rawSize = r.u64();
        c.rawHash = r.u64();
        c.depth = r.u32();
        c.chainBytes = r.u64();
    }
    for (VersionRecord& v : versions) {
        v.number = r.u16();
        v.permanent = r.u8() != 0;
        v.stamp = r.u32();
        v.contentId = r.u32();
        v.sourceModified = int64_t(r.u64());
        v.user = r.text();
        v.comment = r.text();
    }
    if (!r.ok() || r.remaining() != 0) return false;

    uint32_t previousId = 0;
    for (const ContentRecord& c : contents) {
        if (c.id <= previousId || c.id > lastContentId) return false;
        previousId = c.id;
        if (c.offset < kDataStart || c.length < kBlockHeaderSize || c.offset > committedEnd ||
            c.length > committedEnd - c.offset)
            return false;
        if (c.kind == uint8_t(BlockKind::Whole)) {
            if (c.base != 0 || c.depth != 0 || c.chainBytes != 0) return false;
        } else if (c.kind == uint8_t(BlockKind::Delta)) {
            // A base is always older, so chains end and never loop.
            const ContentRecord* b = c.base < c.id ? content(c.base) : nullptr;
            if (!b || c.depth != b->depth + 1) return false;
        } else {
            return false;
        }
    }
    uint16_t previousNumber = 0;
    for (const VersionRecord& v : versions) {
        if (v.number <= previousNumber || v.number > counter) return false;
        previousNumber = v.number;
        if (!content(v.contentId)) return false;
        if (v.user.size() > 35 || v.comment.size() > 128) return false;
    }
    return true;
}

const ContentRecord* Catalog::content(uint32_t id) const {
    auto it = std::lower_bound(contents.begin(), contents.end(), id,
                               [](const ContentRecord& c, uint32_t v) { return c.id < v; });
    return it != contents.end() && it->id == id ? &*it : nullptr;
}

VersionRecord* Catalog::version(uint16_t number) {
    auto it = std::lower_bound(versions.begin(), versions.end(), number,
                               [](const VersionRecord& v, uint16_t n) { return v.number < n; });
    return it != versions.end() && it->number == number ? &*it : nullptr;
}

int Catalog::temporaryCount() const {
    int n = 0;
    for (const VersionRecord& v : versions) n += v.permanent ? 0 : 1;
    return n;
}

bool Catalog::trimTemporaries() {
    int excess = temporaryCount() - maxTemp;
    if (excess <= 0) return false;
    // Oldest first: versions are kept in number order, and numbers only grow.
    std::vector<VersionRecord> kept;
    kept.reserve(versions.size());
    for (VersionRecord& v : versions) {
        if (!v.permanent && excess > 0) {
            --excess;
            continue;
        }
        kept.push_back(std::move(v));
    }
    versions.swap(kept);
    return true;
}

bool Catalog::isReferenced(uint32_t contentId) const {
    for (const VersionRecord& v : versions)
        if (v.contentId == contentId) return true;
    return false;
}

void Catalog::pruneContents() {
    std::unordered_set<uint32_t> needed;
    for (const VersionRecord& v : versions) {
        for (const ContentRecord* c = content(v.contentId); c; c = c->base ? content(c->base) : nullptr) {
            if (!needed.insert(c->id).second) break;
        }
    }
    contents.erase(std::remove_if(contents.begin(), contents.end(),
                                  [&](const ContentRecord& c) { return !needed.count(c.id); }),
                   contents.end());
}

}  // namespace fenn
