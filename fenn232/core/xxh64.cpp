#include "xxh64.h"

#include <cstring>

namespace fenn {
namespace {

constexpr uint64_t P1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t P2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t P3 = 0x165667B19E3779F9ULL;
constexpr uint64_t P4 = 0x85EBCA77C2B2AE63ULL;
constexpr uint64_t P5 = 0x27D4EB2F165667C5ULL;

inline uint64_t rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

inline uint64_t read64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;  // the store only builds for little-endian targets
}

inline uint32_t read32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint64_t round(uint64_t acc, uint64_t input) {
    acc += input * P2;
    acc = rotl(acc, 31);
    return acc * P1;
}

inline uint64_t mergeRound(uint64_t acc, uint64_t val) {
    acc ^= round(0, val);
    return acc * P1 + P4;
}

uint64_t finish(uint64_t h, const uint8_t* p, size_t len) {
    while (len >= 8) {
        h ^= round(0, read64(p));
        h = rotl(h, 27) * P1 + P4;
        p += 8;
        len -= 8;
    }
    if (len >= 4) {
        h ^= uint64_t(read32(p)) * P1;
        h = rotl(h, 23) * P2 + P3;
        p += 4;
        len -= 4;
    }
    while (len > 0) {
        h ^= (*p) * P5;
        h = rotl(h, 11) * P1;
        ++p;
        --len;
    }
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

}  // namespace

static_assert(sizeof(void*) >= 4, "");

Xxh64::Xxh64(uint64_t seed) : seed_(seed) {
    acc_[0] = seed + P1 + P2;
    acc_[1] = seed + P2;
    acc_[2] = seed;
    acc_[3] = seed - P1;
}

void Xxh64::update(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    total_ += size;
    if (buffered_ + size < 32) {
        if (size) std::memcpy(buffer_ + buffered_, p, size);
        buffered_ += size;
        return;
    }
    if (buffered_) {
        size_t take = 32 - buffered_;
        std::memcpy(buffer_ + buffered_, p, take);
        for (int i = 0; i < 4; ++i) acc_[i] = round(acc_[i], read64(buffer_ + 8 * i));
        p += take;
        size -= take;
        buffered_ = 0;
    }
    uint64_t a0 = acc_[0], a1 = acc_[1], a2 = acc_[2], a3 = acc_[3];
    while (size >= 32) {
        a0 = round(a0, read64(p));
        a1 = round(a1, read64(p + 8));
        a2 = round(a2, read64(p + 16));
        a3 = round(a3, read64(p + 24));
        p += 32;
        size -= 32;
    }
    acc_[0] = a0;
    acc_[1] = a1;
    acc_[2] = a2;
    acc_[3] = a3;
    if (size) std::memcpy(buffer_, p, size);
    buffered_ = size;
}

uint64_t Xxh64::digest() const {
    uint64_t h;
    if (total_ >= 32) {
        h = rotl(acc_[0], 1) + rotl(acc_[1], 7) + rotl(acc_[2], 12) + rotl(acc_[3], 18);
        for (int i = 0; i < 4; ++i) h = mergeRound(h, acc_[i]);
    } else {
        h = seed_ + P5;
    }
    h += total_;
    return finish(h, buffer_, buffered_);
}

uint64_t Xxh64::hash(const void* data, size_t size, uint64_t seed) {
    Xxh64 x(seed);
    x.update(data, size);
    return x.digest();
}

}  // namespace fenn
