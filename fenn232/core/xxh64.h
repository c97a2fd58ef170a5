// XXH64, the 64-bit hash every block, superblock and content carries.
// Written here from the published algorithm; fast enough (several GB/s) that
// checking every read costs less than the read itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fenn {

class Xxh64 {
public:
    explicit Xxh64(uint64_t seed = 0);
    void update(const void* data, size_t size);
    uint64_t digest() const;

    static uint64_t hash(const void* data, size_t size, uint64_t seed = 0);

private:
    uint64_t acc_[4];
    uint8_t buffer_[32];
    size_t buffered_ = 0;
    uint64_t total_ = 0;
    uint64_t seed_;
};

}  // namespace fenn
