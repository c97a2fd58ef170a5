// Our delta encoder: describes a new content as copies from the previous
// content and literal bytes, so that a few edited lines cost a few dozen
// bytes instead of a compressed copy.
//
// Operation stream (before zlib), repeated until the end:
//   varint literal length, the literal bytes,
//   varint copy length, and when it is nonzero a varint zigzag distance of the
//   copy's source offset from the end of the previous copy.
//
// Matching: common prefix and suffix first (word-wise compare), then the old
// middle is indexed every 16 bytes by a hash of 16 bytes; the new middle is
// scanned, trying first where an insertion or a same-length replacement would
// resume, then the index. Every candidate is verified byte for byte and
// extended both ways, so a hash collision costs time, never correctness.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenn {

class DeltaEncoder {
public:
    static std::vector<uint8_t> encode(const uint8_t* oldData, size_t oldSize,
                                       const uint8_t* newData, size_t newSize);
};

}  // namespace fenn
