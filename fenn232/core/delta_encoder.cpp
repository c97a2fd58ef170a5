#include "delta_encoder.h"

#include <cstring>

#include "byte_codec.h"

namespace fenn {
namespace {

constexpr size_t kWindow = 16;
constexpr size_t kStride = 16;

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline uint32_t windowHash(const uint8_t* p, int bits) {
    uint64_t h = load64(p) * 0x9E3779B185EBCA87ULL ^ load64(p + 8) * 0xC2B2AE3D27D4EB4FULL;
    h ^= h >> 29;
    return uint32_t(h >> (64 - bits));
}

// Length of the common run of a and b, at most limit bytes.
size_t matchForward(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x = load64(a + n) ^ load64(b + n);
        if (x) return n + size_t(__builtin_ctzll(x) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

size_t matchBackward(const uint8_t* aEnd, const uint8_t* bEnd, size_t limit) {
    size_t n = 0;
    while (n < limit && aEnd[-1 - ptrdiff_t(n)] == bEnd[-1 - ptrdiff_t(n)]) ++n;
    return n;
}

class OpWriter {
public:
    explicit OpWriter(std::vector<uint8_t>& out) : w_(out) {}
    void emit(const uint8_t* literal, size_t literalSize, uint64_t copyFrom, uint64_t copySize) {
        w_.varint(literalSize);
        w_.bytes(literal, literalSize);
        w_.varint(copySize);
        if (copySize) {
            int64_t distance = int64_t(copyFrom) - int64_t(expected_);
            w_.varint((uint64_t(distance) << 1) ^ uint64_t(distance >> 63));
            expected_ = copyFrom + copySize;
        }
    }

private:
    ByteWriter w_;
    uint64_t expected_ = 0;
};

}  // namespace

std::vector<uint8_t> DeltaEncoder::encode(const uint8_t* oldData, size_t oldSize,
                                          const uint8_t* newData, size_t newSize) {
    std::vector<uint8_t> out;
    OpWriter ops(out);
    size_t limit = oldSize < newSize ? oldSize : newSize;
    size_t prefix = matchForward(oldData, newData, limit);
    size_t suffix = matchBackward(oldData + oldSize, newData + newSize, limit - prefix);
    size_t oldEnd = oldSize - suffix;
    size_t newEnd = newSize - suffix;

    // Index the old middle. Later positions overwrite earlier ones; a lost
    // candidate only means a longer literal.
    // The index is kept for the next call of this thread: a document's
    // index is megabytes, costly to map afresh for every save.
    thread_local std::vector<uint32_t> table;
    table.clear();
    int bits = 0;
    if (oldEnd >= prefix + kWindow && newEnd >= prefix + kWindow) {
        size_t entries = (oldEnd - prefix) / kStride + 1;
        bits = 10;
        while ((size_t(1) << bits) < entries * 2 && bits < 30) ++bits;
        table.assign(size_t(1) << bits, 0);
        for (size_t i = prefix; i + kWindow <= oldEnd; i += kStride)
            table[windowHash(oldData + i, bits)] = uint32_t(i + 1);
    }

    size_t literalStart = prefix;
    size_t p = prefix;
    size_t resume = prefix;  // old offset where the last copy ended
    bool pendingPrefix = prefix > 0;
    auto emitCopy = [&](size_t from, size_t at, size_t length) {
        if (pendingPrefix) {
            ops.emit(nullptr, 0, 0, prefix);
            pendingPrefix = false;
        }
        ops.emit(newData + literalStart, at - literalStart, from, length);
    };
    auto verified = [&](size_t candidate) {
        return candidate + kWindow <= oldEnd &&
               std::memcmp(oldData + candidate, newData + p, kWindow) == 0;
    };
    while (!table.empty() && p + kWindow <= newEnd) {
        size_t literal = p - literalStart;
        size_t candidate = SIZE_MAX;
        if (verified(resume)) {
            candidate = resume;  // an insertion ends here
        } else if (resume + literal < oldEnd && verified(resume + literal)) {
            candidate = resume + literal;  // a same-length replacement ends here
        } else {
            uint32_t slot = table[windowHash(newData + p, bits)];
            if (slot && verified(slot - 1)) candidate = slot - 1;
        }
        if (candidate == SIZE_MAX) {
            ++p;
            continue;
        }
        size_t back = matchBackward(oldData + candidate, newData + p,
                                    literal < candidate ? literal : candidate);
        size_t from = candidate - back;
        size_t at = p - back;
        size_t room = (oldEnd - candidate) < (newEnd - p) ? oldEnd - candidate : newEnd - p;
        size_t length = back + matchForward(oldData + candidate, newData + p, room);
        emitCopy(from, at, length);
        p = at + length;
        literalStart = p;
        resume = from + length;
    }
    if (pendingPrefix) {
        ops.emit(nullptr, 0, 0, prefix);
        pendingPrefix = false;
    }
    ops.emit(newData + literalStart, newEnd - literalStart, oldEnd, suffix);
    if (table.capacity() > (size_t(16) << 20)) std::vector<uint32_t>().swap(table);
    return out;
}

}  // namespace fenn
