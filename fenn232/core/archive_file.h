// Committed state of one archive file and the only code that changes it.
//
// The file never changes in place except at the two superblock slots; every
// commit appends, flushes, then switches a slot. See the invariants at the top
// of archive_file.cpp and in FORMAT.md.
#pragma once

#include <cstdint>
#include <vector>

#include "block_format.h"
#include "catalog.h"
#include "file_system.h"
#include "store_error.h"

namespace fenn {

struct ArchiveState {
    Superblock superblock;
    int slot = 0;  // which slot holds `superblock`
    Catalog catalog;
};

// A content block made in memory, not yet in the file.
struct PendingBlock {
    uint32_t contentId;
    std::vector<uint8_t> bytes;  // header and payload
};

class ArchiveFile {
public:
    // Whether the file is one of our archives (Ok), by its preamble or, when
    // that sector is lost, by a sound slot; Foreign, Unsupported or Corrupt.
    static StoreError identify(File& file);
    // Reads the newest slot whose catalog verifies.
    static StoreError load(File& file, ArchiveState* out);
    // The whole image of a new archive holding `catalog` and its blocks.
    static std::vector<uint8_t> image(Catalog catalog, const std::vector<PendingBlock>& blocks);
    // Makes `next` (with `added` blocks) the committed state. With compact,
    // every live block is rewritten and the file shrinks to what `next` needs.
    static StoreError commit(File& file, ArchiveState* current, Catalog next,
                             const std::vector<PendingBlock>& added, bool compact);
    // Reads one content's block and checks it; payload gets the block's payload.
    static StoreError readContentBlock(File& file, const ContentRecord& content,
                                       std::vector<uint8_t>* block);
    // Whether the content.length bytes at `block` are that content's block:
    // its kind, its length and its checksum.
    static bool checkContentBlock(const uint8_t* block, const ContentRecord& content);
};

}  // namespace fenn
