#include "catalog.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "block_format.h"
#include "byte_codec.h"
#include "whole_codec.h"

namespace fenn {
namespace {
constexpr uint32_t kCatalogTag = 0x54434946;  // "FICT"
}

// The payload: u32 tag, varint length of the record stream, then the stream
// as one zlib stream. Consecutive records differ little (ids and numbers
// count up, each block follows the one before), so they are written as
// differences and compress to a few bytes a version.
std::vector<uint8_t> Catalog::encode() const {
    std::vector<uint8_t> body;
    ByteWriter w(body);
    w.u16(counter);
    w.u8(compressed ? 1 : 0);
    w.varint(uint32_t(maxTemp));
    w.varint(lastContentId);
    for (int i = 0; i < 2; ++i) {
        w.varint(regionOffset[i]);
        w.varint(regionCapacity[i]);
    }
    w.varint(contents.size());
    w.varint(versions.size());
    uint32_t previousId = 0;
    uint64_t expectedOffset = 0;
    uint64_t previousSize = 0;
    for (const ContentRecord& c : contents) {
        w.varint(c.id - previousId);
        w.u8(c.kind);
        if (c.kind == uint8_t(BlockKind::Delta)) w.varint(c.id - c.base);
        int64_t gap = int64_t(c.offset - expectedOffset);
        w.varint((uint64_t(gap) << 1) ^ uint64_t(gap >> 63));
        w.varint(c.length);
        int64_t growth = int64_t(c.rawSize - previousSize);
        w.varint((uint64_t(growth) << 1) ^ uint64_t(growth >> 63));
        w.u64(c.rawHash);
        previousId = c.id;
        expectedOffset = c.offset + c.length;
        previousSize = c.rawSize;
    }
    uint16_t previousNumber = 0;
    uint32_t previousStamp = 0;
    int64_t previousModified = 0;
    for (const VersionRecord& v : versions) {
        w.varint(uint16_t(v.number - previousNumber));
        w.u8(v.permanent ? 1 : 0);
        int64_t stampGap = int64_t(v.stamp) - int64_t(previousStamp);
        w.varint((uint64_t(stampGap) << 1) ^ uint64_t(stampGap >> 63));
        w.varint(v.contentId);
        uint64_t modifiedGap = uint64_t(v.sourceModified) - uint64_t(previousModified);
        w.varint((modifiedGap << 1) ^ uint64_t(int64_t(modifiedGap) >> 63));
        w.text(v.user);
        w.text(v.comment);
        previousNumber = v.number;
        previousStamp = v.stamp;
        previousModified = v.sourceModified;
    }
    std::vector<uint8_t> out;
    ByteWriter o(out);
    o.u32(kCatalogTag);
    o.varint(body.size());
    std::vector<uint8_t> zipped;
    if (!deflateBuffer(body.data(), body.size(), 6, &zipped)) throw std::bad_alloc();
    o.bytes(zipped.data(), zipped.size());
    return out;
}

bool Catalog::decode(const uint8_t* data, size_t size, uint64_t committedEnd) {
    ByteReader outer(data, size);
    if (outer.u32() != kCatalogTag) return false;
    uint64_t bodySize = outer.varint();
    // zlib expands at most about 1032 to 1; a larger claim is damage.
    if (!outer.ok() || bodySize > uint64_t(outer.remaining()) * 1040 + 1024 || bodySize > (uint64_t(1) << 28))
        return false;
    std::vector<uint8_t> body(static_cast<size_t>(bodySize));
    if (!inflateBuffer(outer.position(), outer.remaining(), body.data(), body.size())) return false;
    ByteReader r(body.data(), body.size());
    counter = r.u16();
    compressed = r.u8() != 0;
    uint64_t cap = r.varint();
    lastContentId = uint32_t(r.varint());
    for (int i = 0; i < 2; ++i) {
        regionOffset[i] = r.varint();
        regionCapacity[i] = r.varint();
        if (regionCapacity[i] && (regionOffset[i] < kDataStart || regionOffset[i] > committedEnd ||
                                  regionCapacity[i] > committedEnd - regionOffset[i]))
            return false;
    }
    uint64_t contentCount = r.varint();
    uint64_t versionCount = r.varint();
    if (!r.ok() || cap < 1 || cap > 32767) return false;
    maxTemp = int32_t(cap);
    // Each record takes at least its fixed bytes: refuse counts the body
    // cannot hold before allocating for them.
    if (contentCount > r.remaining() / 13 || versionCount > r.remaining() / 7 ||
        contentCount * 13 + versionCount * 7 > r.remaining())
        return false;
    contents.assign(size_t(contentCount), ContentRecord());
    versions.assign(size_t(versionCount), VersionRecord());
    uint64_t previousId = 0;
    uint64_t expectedOffset = 0;
    uint64_t previousSize = 0;
    for (ContentRecord& c : contents) {
        uint64_t id = previousId + r.varint();
        c.kind = r.u8();
        uint64_t back = c.kind == uint8_t(BlockKind::Delta) ? r.varint() : 0;
        uint64_t gap = r.varint();
        c.length = r.varint();
        uint64_t growth = r.varint();
        c.rawSize = previousSize + uint64_t(int64_t(growth >> 1) ^ -int64_t(growth & 1));
        c.rawHash = r.u64();
        if (!r.ok() || id > lastContentId || back > id) return false;
        c.id = uint32_t(id);
        c.base = back ? uint32_t(id - back) : 0;
        c.offset = expectedOffset + uint64_t(int64_t(gap >> 1) ^ -int64_t(gap & 1));
        if (c.offset < kDataStart || c.length < kBlockHeaderSize || c.offset > committedEnd ||
            c.length > committedEnd - c.offset)
            return false;
        // Contents are at most 1 GiB and their blocks little more, so every
        // length fits a 32-bit size_t before anything is sized by it.
        if (c.rawSize > (uint64_t(1) << 30) || c.length > (uint64_t(1) << 31)) return false;
        previousId = id;
        expectedOffset = c.offset + c.length;
        previousSize = c.rawSize;
    }
    uint64_t previousNumber = 0;
    uint32_t previousStamp = 0;
    int64_t previousModified = 0;
    for (VersionRecord& v : versions) {
        uint64_t number = previousNumber + r.varint();
        v.permanent = r.u8() != 0;
        uint64_t stampGap = r.varint();
        v.stamp = uint32_t(int64_t(previousStamp) + (int64_t(stampGap >> 1) ^ -int64_t(stampGap & 1)));
        uint64_t content = r.varint();
        uint64_t modifiedGap = r.varint();
        v.sourceModified = int64_t(uint64_t(previousModified) + (uint64_t(int64_t(modifiedGap >> 1) ^ -int64_t(modifiedGap & 1))));
        v.user = r.text();
        v.comment = r.text();
        if (!r.ok() || number > counter || content > lastContentId) return false;
        v.number = uint16_t(number);
        v.contentId = uint32_t(content);
        previousNumber = number;
        previousStamp = v.stamp;
        previousModified = v.sourceModified;
    }
    if (!r.ok() || r.remaining() != 0) return false;

    uint32_t lastId = 0;
    for (ContentRecord& c : contents) {
        if (c.id <= lastId) return false;
        lastId = c.id;
        if (c.kind == uint8_t(BlockKind::Whole)) {
            if (c.base != 0) return false;
            c.depth = 0;
            c.chainBytes = 0;
        } else if (c.kind == uint8_t(BlockKind::Delta)) {
            // A base is always older, so chains end and never loop.
            const ContentRecord* b = c.base < c.id ? content(c.base) : nullptr;
            if (!b) return false;
            c.depth = b->depth + 1;
            c.chainBytes = b->chainBytes + c.length;
        } else {
            return false;
        }
    }
    uint16_t lastNumber = 0;
    for (const VersionRecord& v : versions) {
        if (v.number <= lastNumber) return false;
        lastNumber = v.number;
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
