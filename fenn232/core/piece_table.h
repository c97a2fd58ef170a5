// A content described as pieces of buffers that are already in memory: the
// inflated whole at the root of a chain and the literals of each delta.
// Applying a delta rewrites only the piece list, never the bytes, so a chain
// of a thousand small deltas costs about as much to rebuild as its root; the
// bytes are copied once, at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenn {

class PieceTable {
public:
    PieceTable() = default;
    PieceTable(const uint8_t* data, uint64_t size);

    uint64_t size() const { return size_; }
    size_t pieceCount() const { return pieces_.size(); }

    // Builds in `out` the content that the delta operations describe with this
    // content as their source. The operations must stay alive as long as
    // `out` is used. False when an operation reaches outside the source or the
    // result is not expectedSize bytes.
    bool apply(const uint8_t* ops, size_t opsSize, uint64_t expectedSize, PieceTable* out) const;

    void copyTo(uint8_t* dest) const;
    // Copies bytes [from, from + length) of the content; false outside it.
    bool copyRange(uint64_t from, uint64_t length, uint8_t* dest) const;
    // Compares without building the bytes.
    bool equals(const uint8_t* data, uint64_t size) const;

private:
    struct Piece {
        const uint8_t* data;
        uint64_t start;   // offset of the piece in this content
        uint64_t length;
    };
    void append(const uint8_t* data, uint64_t length);
    bool appendRange(uint64_t from, uint64_t length, PieceTable* out) const;

    std::vector<Piece> pieces_;
    uint64_t size_ = 0;
};

}  // namespace fenn
