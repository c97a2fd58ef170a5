// Large byte buffers kept for reuse within the process. Fresh memory of
// several megabytes is costly to map and touch (under Wine far more than the
// work done in it), and every add and retrieve needs a few buffers the size
// of the document; handing them back and taking them again keeps that cost
// to the first operation. A few buffers of bounded size, and of bounded
// size together, are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fenn {

class BufferPool {
public:
    // An empty buffer with room for at least `capacity` bytes when one is kept.
    static std::vector<uint8_t> take(size_t capacity);
    static void give(std::vector<uint8_t>&& buffer);
    // Shares `bytes`; the buffer returns to the pool when the last owner lets go.
    static std::shared_ptr<const std::vector<uint8_t>> share(std::vector<uint8_t>&& bytes);
};

}  // namespace fenn
