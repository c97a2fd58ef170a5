// Rebuilding a content from its chain and encoding a new one.
//
// Chain rule: a new content is stored as a delta on the latest content unless
//  - the chain would hold more than kMaxChainDepth deltas, or
//  - the chain's delta bytes would exceed twice its whole block's size.
// A trimmed or deleted version's content stays as the base of later ones, so
// dropping a temporary never forces a new whole (nor rewrites anything).
// Rebuilding any content reads one whole and at most twice its bytes in
// deltas, composed on a piece table.
#pragma once

#include <cstdint>
#include <vector>

#include "archive_file.h"

namespace fenn {

constexpr uint32_t kMaxChainDepth = 1024;
constexpr uint64_t kMaxContentSize = uint64_t(1) << 30;

class ContentCodec {
public:
    // Rebuilds content `id` into out and checks it against its hash.
    static StoreError rebuild(File& file, const Catalog& catalog, uint32_t id, std::vector<uint8_t>* out);

    // Adds a content for `data` to catalog (as a new id) and returns its block
    // in `block`; `previous` is the latest content's bytes (may be null).
    static StoreError encode(Catalog* catalog, const uint8_t* data, size_t size, uint64_t hash,
                             const std::vector<uint8_t>* previous, uint32_t previousId,
                             PendingBlock* block);
};

}  // namespace fenn
