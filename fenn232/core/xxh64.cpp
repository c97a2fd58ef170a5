#include "xxh64.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <new>

namespace fenn {

Xxh64::Xxh64(uint64_t seed) : state_(new XXH64_state_t) {
    XXH64_reset(static_cast<XXH64_state_t*>(state_), seed);
}

Xxh64::~Xxh64() { delete static_cast<XXH64_state_t*>(state_); }

void Xxh64::update(const void* data, size_t size) {
    if (size) XXH64_update(static_cast<XXH64_state_t*>(state_), data, size);
}

uint64_t Xxh64::digest() const { return XXH64_digest(static_cast<const XXH64_state_t*>(state_)); }

uint64_t Xxh64::hash(const void* data, size_t size, uint64_t seed) {
    return XXH64(size ? data : "", size, seed);
}

}  // namespace fenn
