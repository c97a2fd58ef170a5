// Commit rule of the archive file.
//
// A change is made visible by writing one 64-byte superblock slot; everything
// that slot points to is on stable storage before the slot is written. The
// invariants, and the function that keeps each:
//
//  1. The preamble (bytes 0-63) is written once, by image() inside a scratch
//     file that becomes the archive only by renameNoReplace(); it never
//     changes afterwards.
//  2. The committed state is the slot with the highest sequence whose own
//     checksum holds (load()); its catalog must verify or the archive is
//     reported damaged. A torn slot fails its checksum and the other slot,
//     one commit older, wins.
//  3. Nothing the committed slot points to is ever overwritten: commit()
//     writes new blocks only at or beyond the committed end and the new
//     catalog only into the catalog region the committed catalog is not in
//     (or a new one at the end), flushes, and only then writes the slot that
//     is NOT the committed one, and flushes again.
//  4. Bytes beyond the committed end are garbage from an interrupted commit;
//     the next commit overwrites them and truncates the file to its end.
//  5. Compaction (commit() with compact) is two commits of the same logical
//     state: first every live block is copied beyond the committed end and
//     committed there; then, when it fits below that copy, it is copied to the
//     start of the data region, committed again, and the file is truncated.
//     Between the two commits the data region's start holds only blocks no
//     committed slot depends on.
//  6. Every block carries a checksum over its header and payload; every
//     content also carries the hash of its bytes, checked after rebuilding.
//     A read never returns bytes that did not pass both.
//
// A crash at any instant therefore leaves the slot of before (invariants 2, 3)
// or the slot of after (the flush before the slot write), never a mixture.
#include "archive_file.h"

#include <algorithm>
#include <map>

#include "catalog_cache.h"

namespace fenn {
namespace {

// Dead space (blocks of deleted or trimmed versions, catalog regions left
// behind) is reclaimed by a compaction once it exceeds an eighth of the live
// bytes: a compaction copies the live bytes twice, so its cost, spread over
// the changes that made the dead space, stays a constant share of each, and
// an archive at rest is at most an eighth larger than what it holds.
bool tooMuchDeadSpace(uint64_t end, uint64_t live) {
    uint64_t used = end > kDataStart ? end - kDataStart : 0;
    return used > live && used - live > live / 8 + kSectorSize;
}

StoreError readCatalog(File& file, const Superblock& sb, Catalog* out) {
    if (sb.catalogLength > (uint64_t(1) << 28)) return StoreError::Corrupt;
    std::vector<uint8_t> block(size_t(sb.catalogLength));
    if (!file.read(sb.catalogOffset, block.data(), block.size())) return StoreError::Io;
    BlockHeader h;
    if (!BlockFormat::decodeHeader(block.data(), &h) || h.kind != BlockKind::Catalog ||
        h.payloadLength != block.size() - kBlockHeaderSize || h.checksum != sb.catalogChecksum ||
        !BlockFormat::verify(block.data(), block.data() + kBlockHeaderSize, size_t(h.payloadLength)))
        return StoreError::Corrupt;
    if (CatalogCache::find(h.checksum, block.size(), sb.committedEnd, out)) return StoreError::Ok;
    if (!out->decode(block.data() + kBlockHeaderSize, size_t(h.payloadLength), sb.committedEnd))
        return StoreError::Corrupt;
    CatalogCache::put(h.checksum, block.size(), sb.committedEnd, *out);
    return StoreError::Ok;
}

uint64_t liveBytes(const ArchiveState& s) {
    uint64_t n = s.catalog.regionCapacity[0] + s.catalog.regionCapacity[1];
    for (const ContentRecord& c : s.catalog.contents) n += c.length;
    return n;
}

// A catalog region leaves room for an eighth more: catalogs grow by a few
// bytes a version, so a region serves many commits (a hundred at a thousand
// versions) before one outgrows it, and the two regions weigh little more
// than two catalogs.
uint64_t regionFor(uint64_t catalogBlockSize) {
    uint64_t cap = catalogBlockSize + catalogBlockSize / 8 + 256;
    return (cap + kSectorSize - 1) / kSectorSize * kSectorSize;
}

std::vector<uint8_t> catalogBlock(const Catalog& c, uint64_t* checksum) {
    std::vector<uint8_t> payload = c.encode();
    std::vector<uint8_t> block;
    *checksum = BlockFormat::appendBlock(BlockKind::Catalog, payload.data(), payload.size(), &block);
    return block;
}

// Makes `next` committed: `blocks` go at `base` (their catalog offsets
// already set), the catalog block at catalogOffset (inside `blocks` or in a
// region of its own, written separately), then one flush, then the slot the
// committed state is not in, then a flush. Invariant 3.
StoreError writeAndSwitch(File& file, ArchiveState* current, const Catalog& next, uint64_t base,
                          const std::vector<uint8_t>& blocks, uint64_t catalogOffset, uint64_t committedEnd,
                          std::vector<uint8_t> catalog = {}, uint64_t checksum = 0) {
    // `catalog`: next's catalog block when the caller made it already.
    if (catalog.empty()) catalog = catalogBlock(next, &checksum);
    int target = current->slot ^ 1;
    // A catalog that fits beside the slot about to be written goes there.
    if (catalog.size() <= kInlineCatalog) catalogOffset = inlineCatalogOffset(target);
    if (!blocks.empty() && !file.write(base, blocks.data(), blocks.size())) return StoreError::Io;
    if (!file.write(catalogOffset, catalog.data(), catalog.size())) return StoreError::Io;
    if (!file.flush()) return StoreError::Io;

    Superblock sb;
    sb.sequence = current->superblock.sequence + 1;
    sb.catalogOffset = catalogOffset;
    sb.catalogLength = catalog.size();
    sb.catalogChecksum = checksum;
    sb.committedEnd = committedEnd;
    uint8_t slot[kFixedSize];
    BlockFormat::encodeSlot(sb, slot);
    if (!file.write(kSlotOffset[target], slot, sizeof slot)) return StoreError::Io;
    if (!file.flush()) return StoreError::Io;

    current->superblock = sb;
    current->slot = target;
    current->catalog = next;
    return StoreError::Ok;
}

// Lays out all of `next`'s blocks one after the other, the pending ones from
// memory, the rest copied from the file after checking them, followed by one
// catalog region. Offsets are relative to the start of `bytes`.
StoreError gatherAll(File& file, const ArchiveState& current, Catalog* next,
                     const std::vector<PendingBlock>& added, std::vector<uint8_t>* bytes) {
    std::map<uint32_t, const PendingBlock*> pending;
    for (const PendingBlock& b : added) pending[b.contentId] = &b;
    for (ContentRecord& c : next->contents) {
        uint64_t relative = bytes->size();
        auto it = pending.find(c.id);
        if (it != pending.end()) {
            bytes->insert(bytes->end(), it->second->bytes.begin(), it->second->bytes.end());
        } else {
            const ContentRecord* old = current.catalog.content(c.id);
            if (!old) return StoreError::Corrupt;
            std::vector<uint8_t> block;
            StoreError e = ArchiveFile::readContentBlock(file, *old, &block);
            if (e != StoreError::Ok) return e;
            bytes->insert(bytes->end(), block.begin(), block.end());
        }
        c.offset = relative;
        c.length = bytes->size() - relative;
    }
    next->regionOffset[0] = next->regionCapacity[0] = 0;
    next->regionOffset[1] = next->regionCapacity[1] = 0;
    uint64_t size = next->encode().size() + kBlockHeaderSize;
    if (size > kInlineCatalog) {
        next->regionOffset[0] = bytes->size();
        next->regionCapacity[0] = regionFor(size);
        bytes->resize(size_t(bytes->size() + next->regionCapacity[0]), 0);
    }
    return StoreError::Ok;
}

void shift(Catalog* catalog, uint64_t by) {
    for (ContentRecord& c : catalog->contents) c.offset += by;
    if (catalog->regionCapacity[0]) catalog->regionOffset[0] += by;
}

}  // namespace

StoreError ArchiveFile::identify(File& file) {
    uint64_t size = 0;
    uint8_t fixed[kFixedSize];
    if (!file.size(&size) || size < kDataStart || !file.read(kPreambleOffset, fixed, sizeof fixed))
        return StoreError::Foreign;
    int preamble = BlockFormat::checkPreamble(fixed);
    if (preamble == 0 || preamble == 3) return preamble ? StoreError::Unsupported : StoreError::Ok;
    Superblock sb;
    for (uint64_t at : kSlotOffset)
        if (file.read(at, fixed, sizeof fixed) && BlockFormat::decodeSlot(fixed, &sb)) return StoreError::Ok;
    return preamble == 1 ? StoreError::Foreign : StoreError::Corrupt;
}

StoreError ArchiveFile::load(File& file, ArchiveState* out) {
    uint64_t size = 0;
    if (!file.size(&size)) return StoreError::Io;
    uint8_t head[kFixedSize];
    if (size < kDataStart) {
        if (size >= 8 && file.read(0, head, 8) && BlockFormat::checkPreamble(head) == 1)
            return StoreError::Foreign;
        return size < 8 ? StoreError::Foreign : StoreError::Corrupt;
    }
    if (!file.read(kPreambleOffset, head, sizeof head)) return StoreError::Io;
    int preamble = BlockFormat::checkPreamble(head);
    if (preamble == 3) return StoreError::Unsupported;
    Superblock slots[2];
    bool valid[2];
    for (int i = 0; i < 2; ++i) {
        uint8_t slot[kFixedSize];
        if (!file.read(kSlotOffset[i], slot, sizeof slot)) return StoreError::Io;
        valid[i] = BlockFormat::decodeSlot(slot, &slots[i]);
    }
    // A lost preamble sector does not lose the archive: a sound slot says
    // what the file is as well.
    if (preamble != 0 && !valid[0] && !valid[1]) return preamble == 1 ? StoreError::Foreign : StoreError::Corrupt;
    // The newest slot whose catalog verifies is the committed state. Its
    // catalog was on disk before the slot was written, so one that fails was
    // damaged since; the older slot's state is then the best there is (its
    // blocks are never overwritten while the newer slot stands).
    int newest = valid[1] && (!valid[0] || slots[1].sequence > slots[0].sequence) ? 1 : 0;
    // A file shorter than its committed state lost its end: that is damage
    // to report, not a state to go back from.
    if (valid[newest] && slots[newest].committedEnd > size) return StoreError::Corrupt;
    StoreError e = StoreError::Corrupt;
    for (int pick : {newest, newest ^ 1}) {
        if (!valid[pick] || slots[pick].committedEnd > size) continue;
        e = readCatalog(file, slots[pick], &out->catalog);
        if (e == StoreError::Io) return e;
        if (e != StoreError::Ok) continue;
        out->superblock = slots[pick];
        out->slot = pick;
        return StoreError::Ok;
    }
    return e;
}

std::vector<uint8_t> ArchiveFile::image(Catalog catalog, const std::vector<PendingBlock>& blocks) {
    std::vector<uint8_t> bytes(kDataStart, 0);
    std::vector<uint8_t> preamble = BlockFormat::preamble();
    std::copy(preamble.begin(), preamble.end(), bytes.begin());
    for (const PendingBlock& b : blocks) {
        for (ContentRecord& c : catalog.contents)
            if (c.id == b.contentId) c.offset = bytes.size(), c.length = b.bytes.size();
        bytes.insert(bytes.end(), b.bytes.begin(), b.bytes.end());
    }
    Superblock sb;
    sb.sequence = 1;
    uint64_t size = catalog.encode().size() + kBlockHeaderSize;
    if (size > kInlineCatalog) {
        catalog.regionOffset[0] = bytes.size();
        catalog.regionCapacity[0] = regionFor(size);
    }
    std::vector<uint8_t> block = catalogBlock(catalog, &sb.catalogChecksum);
    sb.catalogLength = block.size();
    if (block.size() <= kInlineCatalog) {
        sb.catalogOffset = inlineCatalogOffset(0);
        std::copy(block.begin(), block.end(), bytes.begin() + long(sb.catalogOffset));
    } else {
        sb.catalogOffset = bytes.size();
        bytes.insert(bytes.end(), block.begin(), block.end());
        bytes.resize(size_t(catalog.regionOffset[0] + catalog.regionCapacity[0]), 0);
    }
    sb.committedEnd = bytes.size();
    BlockFormat::encodeSlot(sb, bytes.data() + kSlotOffset[0]);
    return bytes;
}

StoreError ArchiveFile::commit(File& file, ArchiveState* current, Catalog next,
                               const std::vector<PendingBlock>& added, bool compact) {
    next.pruneContents();
    if (!compact) {
        uint64_t end = current->superblock.committedEnd;
        std::vector<uint8_t> bytes;
        for (const PendingBlock& b : added) {
            for (ContentRecord& c : next.contents)
                if (c.id == b.contentId) c.offset = end + bytes.size(), c.length = b.bytes.size();
            bytes.insert(bytes.end(), b.bytes.begin(), b.bytes.end());
        }
        // A small catalog goes beside its slot (writeAndSwitch). A larger
        // one goes to the region the committed catalog is not in, or to a
        // new, larger region at the end when it has outgrown it.
        int target = next.regionCapacity[0] && next.regionOffset[0] == current->superblock.catalogOffset ? 1 : 0;
        uint64_t checksum = 0;
        std::vector<uint8_t> catalog = catalogBlock(next, &checksum);
        uint64_t size = catalog.size();
        uint64_t tail = end + bytes.size();
        if (size > kInlineCatalog && next.regionCapacity[target] < size + 64) {
            next.regionOffset[target] = tail;
            next.regionCapacity[target] = regionFor(size);
            bytes.resize(size_t(bytes.size() + next.regionCapacity[target]), 0);
            tail += next.regionCapacity[target];
            catalog.clear();  // the new region is in the catalog: made again
        }
        StoreError e = writeAndSwitch(file, current, next, end, bytes, next.regionOffset[target], tail,
                                      std::move(catalog), checksum);
        if (e != StoreError::Ok) return e;
        uint64_t fileSize = 0;
        if (file.size(&fileSize) && fileSize > current->superblock.committedEnd)
            file.truncate(current->superblock.committedEnd);  // invariant 4
        if (!tooMuchDeadSpace(current->superblock.committedEnd, liveBytes(*current))) return e;
        // Too much dead space: relocate the same state (invariant 5). The
        // change above is already committed, so a failure here is no failure.
        commit(file, current, current->catalog, {}, true);
        return StoreError::Ok;
    }

    std::vector<uint8_t> bytes;
    StoreError e = gatherAll(file, *current, &next, added, &bytes);
    if (e != StoreError::Ok) return e;
    uint64_t end = current->superblock.committedEnd;
    Catalog atEnd = next;
    shift(&atEnd, end);
    e = writeAndSwitch(file, current, atEnd, end, bytes, atEnd.regionOffset[0], end + bytes.size());
    if (e != StoreError::Ok) return e;

    if (kDataStart + bytes.size() > end) {
        // No room below the copy: compact once more from where it now is;
        // then everything below the new end is dead and the front copy fits.
        if (!added.empty() || !next.contents.empty()) commit(file, current, current->catalog, {}, true);
        return StoreError::Ok;
    }
    Catalog atFront = next;
    shift(&atFront, kDataStart);
    if (writeAndSwitch(file, current, atFront, kDataStart, bytes, atFront.regionOffset[0],
                       kDataStart + bytes.size()) != StoreError::Ok)
        return StoreError::Ok;  // the first copy is committed and complete
    file.truncate(current->superblock.committedEnd);
    return StoreError::Ok;
}

StoreError ArchiveFile::readContentBlock(File& file, const ContentRecord& content,
                                         std::vector<uint8_t>* block) {
    block->clear();
    block->resize(size_t(content.length));
    if (!file.read(content.offset, block->data(), block->size())) return StoreError::Io;
    return checkContentBlock(block->data(), content) ? StoreError::Ok : StoreError::Corrupt;
}

bool ArchiveFile::checkContentBlock(const uint8_t* block, const ContentRecord& content) {
    BlockHeader h;
    return BlockFormat::decodeHeader(block, &h) && uint8_t(h.kind) == content.kind &&
           h.payloadLength == content.length - kBlockHeaderSize &&
           BlockFormat::verify(block, block + kBlockHeaderSize, size_t(h.payloadLength));
}

}  // namespace fenn
