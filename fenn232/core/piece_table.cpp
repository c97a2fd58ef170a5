#include "piece_table.h"

#include <algorithm>
#include <cstring>

#include "byte_codec.h"

namespace fenn {

PieceTable::PieceTable(const uint8_t* data, uint64_t size) { append(data, size); }

void PieceTable::append(const uint8_t* data, uint64_t length) {
    if (length == 0) return;
    if (!pieces_.empty()) {
        Piece& last = pieces_.back();
        if (last.data + last.length == data) {  // adjacent in memory: one piece
            last.length += length;
            size_ += length;
            return;
        }
    }
    pieces_.push_back(Piece{data, size_, length});
    size_ += length;
}

bool PieceTable::appendRange(uint64_t from, uint64_t length, PieceTable* out) const {
    if (from > size_ || length > size_ - from) return false;
    if (length == 0) return true;
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), from,
                               [](uint64_t v, const Piece& p) { return v < p.start; });
    size_t i = size_t(it - pieces_.begin()) - 1;
    // The first piece, cut at `from`, may join the output's last one.
    const Piece& first = pieces_[i];
    uint64_t skip = from - first.start;
    uint64_t take = std::min(length, first.length - skip);
    out->append(first.data + skip, take);
    length -= take;
    if (length == 0) return true;
    // Whole pieces in between move as a run; only their offsets change.
    size_t j = size_t(std::upper_bound(pieces_.begin() + ptrdiff_t(i) + 1, pieces_.end(), from + take + length - 1,
                                       [](uint64_t v, const Piece& p) { return v < p.start; }) -
                      pieces_.begin()) - 1;
    if (j > i + 1) {
        size_t at = out->pieces_.size();
        out->pieces_.insert(out->pieces_.end(), pieces_.begin() + ptrdiff_t(i) + 1, pieces_.begin() + ptrdiff_t(j));
        uint64_t shift = out->size_ - pieces_[i + 1].start;
        for (size_t k = at; k < out->pieces_.size(); ++k) out->pieces_[k].start += shift;
        uint64_t moved = pieces_[j].start - pieces_[i + 1].start;
        out->size_ += moved;
        length -= moved;
    }
    // The last piece, cut at the range's end.
    out->append(pieces_[j].data, length);
    return true;
}

bool PieceTable::apply(const uint8_t* ops, size_t opsSize, uint64_t expectedSize,
                       PieceTable* out) const {
    out->pieces_.clear();
    out->size_ = 0;
    ByteReader r(ops, opsSize);
    uint64_t expected = 0;
    while (r.remaining() > 0) {
        uint64_t literal = r.varint();
        if (!r.ok() || literal > expectedSize - out->size_) return false;
        const uint8_t* bytes = r.take(size_t(literal));
        if (!bytes) return false;
        out->append(bytes, literal);
        uint64_t copy = r.varint();
        if (!r.ok()) return false;
        if (copy) {
            uint64_t zig = r.varint();
            if (!r.ok()) return false;
            int64_t distance = int64_t(zig >> 1) ^ -int64_t(zig & 1);
            uint64_t from = expected + uint64_t(distance);
            if (copy > expectedSize - out->size_) return false;
            if (!appendRange(from, copy, out)) return false;
            expected = from + copy;
        }
    }
    return out->size_ == expectedSize;
}

void PieceTable::copyTo(uint8_t* dest) const {
    for (const Piece& p : pieces_) {
        std::memcpy(dest + p.start, p.data, size_t(p.length));
    }
}

bool PieceTable::copyRange(uint64_t from, uint64_t length, uint8_t* dest) const {
    PieceTable part;
    if (!appendRange(from, length, &part)) return false;
    part.copyTo(dest);
    return true;
}

bool PieceTable::equals(const uint8_t* data, uint64_t size) const {
    if (size != size_) return false;
    for (const Piece& p : pieces_) {
        if (std::memcmp(data + p.start, p.data, size_t(p.length)) != 0) return false;
    }
    return true;
}

}  // namespace fenn
