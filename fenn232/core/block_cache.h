// Large freed blocks kept for reuse.
//
// The Windows heap gives a freed block of more than a few hundred kilobytes
// straight back to the system (as glibc's does past its mapping threshold),
// so each new one is fresh memory that the system maps and zeroes page by
// page on first touch. A save or a retrieve
// needs several buffers the size of the document, and deflate's state a few
// of 64 to 128 KiB: made fresh each time, mapping them costs more than the
// work done in them (under Wine about 10 us a page, slower than writing the
// same bytes to disk). The module's allocator (module_allocator.cpp)
// therefore keeps the large blocks it frees here, a bounded number of bytes
// in all, and hands them out again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace fenn {

class BlockCache {
public:
    static constexpr size_t kKeepFrom = 64 * 1024;
    // What may be kept in all: 32 MiB, or three times the largest block
    // asked for lately, so that the buffers of a large document's save
    // serve its next save or retrieve. That figure loses a sixteenth at every
    // large request: work on small documents soon lets the large blocks go.
    // Never more than a sixteenth of the address space (256 MiB in a 32-bit
    // host).
    static constexpr size_t kKeepBytes = size_t(32) << 20;
    static constexpr int kSlots = 24;

    // The usable size a request for `n` bytes is given. A large one is
    // rounded up to a multiple of the largest power of two up to n / 8, so
    // that a block freed by one operation serves the next one's slightly
    // larger need. Zero for a request too large to round.
    static size_t roundedSize(size_t n);

    BlockCache() = default;
    ~BlockCache();
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    // A kept block with at least `n` and at most a quarter more usable
    // bytes (the smallest such), or null; its usable size in `*size`.
    void* take(size_t n, size_t* size);
    // Keeps `block` (from std::malloc) of `size` usable bytes, freeing the
    // oldest kept blocks to stay within the bound. False when it is not kept
    // (too small or too large): the caller frees it.
    bool keep(void* block, size_t size);
    size_t keptBytes();

private:
    size_t bound() const;
    bool dropOldest(void** dropped, int* drops);
    int emptySlot() const;

    struct Kept {
        void* block;
        size_t size;
        uint64_t age;
    };
    std::mutex mutex_;
    Kept slots_[kSlots] = {};
    size_t bytes_ = 0;
    size_t recent_ = 0;  // the largest request lately
    uint64_t clock_ = 0;
};

}  // namespace fenn
