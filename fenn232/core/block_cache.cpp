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

void* BlockCache::take(size_t n, size_t* size) {
    std::lock_guard<std::mutex> g(mutex_);
    int best = -1;
    for (int i = 0; i < kSlots; ++i) {
        const Kept& k = slots_[i];
        if (k.block && k.size >= n && k.size - n <= n / 4 && (best < 0 || k.size < slots_[best].size)) best = i;
    }
    if (best < 0) return nullptr;
    void* found = slots_[best].block;
    *size = slots_[best].size;
    bytes_ -= slots_[best].size;
    slots_[best].block = nullptr;
    return found;
}

bool BlockCache::keep(void* block, size_t size) {
    if (size < kKeepFrom || size > kKeepBytes) return false;
    void* dropped[kSlots];
    int drops = 0;
    {
        std::lock_guard<std::mutex> g(mutex_);
        for (;;) {
            int empty = -1, oldest = -1;
            for (int i = 0; i < kSlots; ++i) {
                if (!slots_[i].block) empty = i;
                else if (oldest < 0 || slots_[i].age < slots_[oldest].age) oldest = i;
            }
            if (empty >= 0 && bytes_ + size <= kKeepBytes) {
                slots_[empty] = Kept{block, size, ++clock_};
                bytes_ += size;
                break;
            }
            dropped[drops++] = slots_[oldest].block;
            bytes_ -= slots_[oldest].size;
            slots_[oldest].block = nullptr;
        }
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
