#include "block_cache.h"

#include <cstdint>
#include <cstdlib>

namespace fenn {

size_t BlockCache::roundedSize(size_t n) {
    if (n < kKeepFrom) return n;
    if (n > SIZE_MAX / 2) return 0;
    size_t step = 4096;
    while (step <= n / 16) step <<= 1;  // the largest power of two up to n / 8
    return (n + step - 1) / step * step;
}

BlockCache::~BlockCache() {
    for (Kept& k : slots_) std::free(k.block);
}

size_t BlockCache::bound() const {
    const size_t most = SIZE_MAX / 16;  // 256 MiB in a 32-bit host
    size_t b = recent_ > most / 3 ? most : 3 * recent_;
    return b > kKeepBytes ? b : kKeepBytes;
}

bool BlockCache::dropOldest(void** dropped, int* drops) {
    int oldest = -1;
    for (int i = 0; i < kSlots; ++i)
        if (slots_[i].block && (oldest < 0 || slots_[i].age < slots_[oldest].age)) oldest = i;
    if (oldest < 0) return false;
    dropped[(*drops)++] = slots_[oldest].block;
    bytes_ -= slots_[oldest].size;
    slots_[oldest].block = nullptr;
    return true;
}

int BlockCache::emptySlot() const {
    for (int i = 0; i < kSlots; ++i)
        if (!slots_[i].block) return i;
    return -1;
}

void* BlockCache::take(size_t n, size_t* size) {
    void* found = nullptr;
    void* dropped[kSlots];
    int drops = 0;
    {
        std::lock_guard<std::mutex> g(mutex_);
        recent_ = n > recent_ - recent_ / 16 ? n : recent_ - recent_ / 16;
        int best = -1;
        for (int i = 0; i < kSlots; ++i) {
            const Kept& k = slots_[i];
            if (k.block && k.size >= n && k.size - n <= n / 4 && (best < 0 || k.size < slots_[best].size))
                best = i;
        }
        if (best >= 0) {
            found = slots_[best].block;
            *size = slots_[best].size;
            bytes_ -= slots_[best].size;
            slots_[best].block = nullptr;
        }
        // What a bound lowered by work on smaller documents no longer allows.
        while (bytes_ > bound() && dropOldest(dropped, &drops)) {
        }
    }
    for (int i = 0; i < drops; ++i) std::free(dropped[i]);
    return found;
}

bool BlockCache::keep(void* block, size_t size) {
    if (size < kKeepFrom) return false;
    void* dropped[kSlots];
    int drops = 0;
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (size > bound()) return false;
        while ((bytes_ + size > bound() || emptySlot() < 0) && dropOldest(dropped, &drops)) {
        }
        slots_[emptySlot()] = Kept{block, size, ++clock_};
        bytes_ += size;
    }
    // Freed outside the lock: the heap may take its time.
    for (int i = 0; i < drops; ++i) std::free(dropped[i]);
    return true;
}

size_t BlockCache::keptBytes() {
    std::lock_guard<std::mutex> g(mutex_);
    return bytes_;
}

}  // namespace fenn
