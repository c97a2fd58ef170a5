// The catalog: everything an archive knows apart from the content bytes. It is
// written whole, as one checksummed block, by every commit, so reading the list
// of versions is one read of one block and never touches a content.
//
// Contents are separate from versions: a delta needs the content before it,
// so a deleted version's content stays (hidden) while a later delta builds on
// it, and two versions with equal bytes share one content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fenn {

struct ContentRecord {
    uint32_t id = 0;
    uint8_t kind = 0;        // BlockKind::Whole or BlockKind::Delta
    uint32_t base = 0;       // the content a delta applies to; 0 for a whole
    uint64_t offset = 0;     // of the block, header included
    uint64_t length = 0;     // of the block, header included
    uint64_t rawSize = 0;
    uint64_t rawHash = 0;    // XXH64 of the content itself
    uint32_t depth = 0;      // deltas between this content and its whole
    uint64_t chainBytes = 0; // delta block bytes between this and its whole
};

struct VersionRecord {
    uint16_t number = 0;
    bool permanent = false;
    uint32_t stamp = 0;          // UTC, packed MS-DOS form
    uint32_t contentId = 0;
    int64_t sourceModified = 0;  // last-write time of the file it came from
    std::string user;            // at most 35 bytes kept
    std::string comment;         // at most 128 bytes kept
};

class Catalog {
public:
    uint16_t counter = 0;       // the latest version number given
    bool compressed = true;
    int32_t maxTemp = 10;
    uint32_t lastContentId = 0;
    // The two places catalogs are written to, in turn: each commit writes
    // into the one the committed catalog is not in, so catalogs do not pile
    // up in the file. Capacity 0: not allocated yet.
    uint64_t regionOffset[2] = {0, 0};
    uint64_t regionCapacity[2] = {0, 0};
    std::vector<ContentRecord> contents;  // by id, ascending
    std::vector<VersionRecord> versions;  // by number, ascending: oldest first

    std::vector<uint8_t> encode() const;
    // Parses and checks every cross reference; false on anything inconsistent.
    bool decode(const uint8_t* data, size_t size, uint64_t committedEnd);

    const ContentRecord* content(uint32_t id) const;
    VersionRecord* version(uint16_t number);
    const VersionRecord* latest() const { return versions.empty() ? nullptr : &versions.back(); }
    int temporaryCount() const;
    // Drops the oldest temporaries while more than maxTemp remain; true if any went.
    bool trimTemporaries();
    // Drops contents that no version needs, directly or as a delta base.
    void pruneContents();
    bool isReferenced(uint32_t contentId) const;
};

}  // namespace fenn
