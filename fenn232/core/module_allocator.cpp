// This module's allocations (the DLL's; natively, the program's, outside
// the sanitizers): every block carries a 16-byte header with its usable size
// (keeping the heap's alignment), so that a large one can be kept in the
// block cache when freed and handed out again.
#include <cstdlib>
#include <new>

#include "block_cache.h"

namespace {

constexpr size_t kHeader = 16;

// Never destroyed: blocks are freed while statics are torn down too.
fenn::BlockCache& cache() {
    alignas(fenn::BlockCache) static unsigned char storage[sizeof(fenn::BlockCache)];
    static fenn::BlockCache* c = new (storage) fenn::BlockCache();
    return *c;
}

void* allocate(size_t n) noexcept {
    size_t size = fenn::BlockCache::roundedSize(n == 0 ? 1 : n);
    if (size == 0 || size > SIZE_MAX - kHeader) return nullptr;
    void* block = size >= fenn::BlockCache::kKeepFrom ? cache().take(size, &size) : nullptr;
    if (!block) block = std::malloc(size + kHeader);
    if (!block) return nullptr;
    *static_cast<size_t*>(block) = size;
    return static_cast<char*>(block) + kHeader;
}

void release(void* p) noexcept {
    if (!p) return;
    void* block = static_cast<char*>(p) - kHeader;
    if (!cache().keep(block, *static_cast<size_t*>(block))) std::free(block);
}

}  // namespace

void* operator new(size_t n) {
    void* p = allocate(n);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
