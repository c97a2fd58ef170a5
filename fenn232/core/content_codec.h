// Rebuilding a content from its chain and encoding a new one.
//
// Chain rule: a new content is stored as a delta on the latest content unless
//  - the chain would hold more than kMaxChainDepth deltas, or
//  - the chain's delta bytes would exceed twice its whole block's size,
//    scaled by how much the content has grown since the whole.
// A trimmed or deleted version's content stays as the base of later ones, so
// dropping a temporary never forces a new whole (nor rewrites anything).
// Rebuilding any content reads one whole and at most about twice its bytes
// in deltas, composed on a piece table. The compressed deltas of a chain form
// one deflate stream (see deflateChainPart), cut into segments: each delta
// refers back to the operations of the deltas before it in its segment,
// which is where edit histories repeat themselves (a reworded line, a moved
// entry, the same markup).
#pragma once

#include <cstdint>
#include <vector>

#include "archive_file.h"

namespace fenn {

constexpr uint32_t kMaxChainDepth = 1024;
// A chain's deflate stream starts a new segment, with no history, each time
// its delta bytes pass another multiple of this: a long chain's segments
// inflate on threads of their own, like a whole's chunks.
constexpr uint64_t kChainSegmentBytes = 128 * 1024;
// A chain's whole and its stream's segments are inflated at once when the
// work besides the largest of them is at least this many bytes compressed:
// below it, waking a pool thread costs about what it saves.
constexpr uint64_t kParallelRebuildBytes = 128 * 1024;
constexpr uint64_t kMaxContentSize = uint64_t(1) << 30;

// Keeps the last 32 KiB of a chain's operations with `ops` appended.
void appendHistory(std::vector<uint8_t>* history, const uint8_t* ops, size_t size);

class ContentCodec {
public:
    // Rebuilds content `id` into out and checks it against its hash. With
    // history, also gives the chain's history up to this content: the last
    // 32 KiB of the operations of its compressed deltas in the last segment
    // of their stream.
    static StoreError rebuild(File& file, const Catalog& catalog, uint32_t id, std::vector<uint8_t>* out,
                              std::vector<uint8_t>* history = nullptr);
    // Writes a content stored whole to `target` from offset 0 as its chunks
    // are inflated, and checks it against its hash; with `keep`, also
    // gathers its bytes there. Io when a write fails (its error made this
    // thread's), Corrupt when the content does not check.
    static StoreError writeWhole(File& file, const ContentRecord& content, File& target,
                                 std::vector<uint8_t>* keep);

    // Adds a content for `data` to catalog (as a new id) and returns its block
    // in `block`; `previous` is the latest content's bytes (may be null) and
    // `history` its chain's history (a delta is made only with both).
    // newHistory gets the new content's chain history.
    static StoreError encode(Catalog* catalog, const uint8_t* data, size_t size, uint64_t hash,
                             const std::vector<uint8_t>* previous, uint32_t previousId,
                             const std::vector<uint8_t>* history, PendingBlock* block,
                             std::vector<uint8_t>* newHistory);
};

}  // namespace fenn
