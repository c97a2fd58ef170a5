// XXH64, the 64-bit hash every block, superblock and content carries, from
// Debian's xxHash header compiled inline into the store (XXH_INLINE_ALL), so
// the DLL needs no other library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fenn {

class Xxh64 {
public:
    explicit Xxh64(uint64_t seed = 0);
    ~Xxh64();
    Xxh64(const Xxh64&) = delete;
    Xxh64& operator=(const Xxh64&) = delete;
    void update(const void* data, size_t size);
    uint64_t digest() const;

    static uint64_t hash(const void* data, size_t size, uint64_t seed = 0);

private:
    void* state_;  // XXH64_state_t, opaque here so that callers need not see xxhash.h
};

}  // namespace fenn
