// The fixed parts of an archive file: the preamble, the two superblock slots,
// the lease record and the framing of every block. FORMAT.md draws the layout.
// Each fixed record has a 512-byte sector of its own, so that no single lost
// or torn sector takes more than one of them; a small catalog lives in the
// rest of its slot's sector (see kInlineCatalog).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenn {

constexpr uint32_t kFormatVersion = 4;
constexpr uint64_t kSectorSize = 512;
constexpr uint64_t kPreambleOffset = 0;
constexpr uint64_t kSlotOffset[2] = {512, 1024};
constexpr uint64_t kLeaseOffset = 1536;
constexpr uint64_t kDataStart = 2048;
constexpr size_t kFixedSize = 64;
constexpr size_t kBlockHeaderSize = 16;
// A catalog block this small is written into the rest of the sector of the
// slot that will point to it: a torn write there can only harm that slot,
// which is not the committed one.
constexpr uint64_t kInlineCatalog = kSectorSize - kFixedSize;
inline uint64_t inlineCatalogOffset(int slot) { return kSlotOffset[slot] + kFixedSize; }

// Byte-range locks, far beyond any data, so they never stop a reader.
constexpr uint64_t kLeaseLockOffset = 0x4000000000000000ULL;
constexpr uint64_t kCommitLockOffset = 0x4000000000000100ULL;

enum class BlockKind : uint8_t { Whole = 1, Delta = 2, Catalog = 3 };

struct Superblock {
    uint64_t sequence = 0;
    uint64_t catalogOffset = 0;
    uint64_t catalogLength = 0;    // whole block, header included
    uint64_t catalogChecksum = 0;  // the catalog block's checksum field
    uint64_t committedEnd = 0;     // first byte after the committed data
};

struct BlockHeader {
    BlockKind kind;
    uint64_t payloadLength;
    uint64_t checksum;
};

class BlockFormat {
public:
    static std::vector<uint8_t> preamble();
    // 0 good, 1 not an archive at all, 2 damaged, 3 later format.
    static int checkPreamble(const uint8_t* p);

    static void encodeSlot(const Superblock& sb, uint8_t* out);
    static bool decodeSlot(const uint8_t* p, Superblock* out);

    static void encodeLease(int64_t acquired, uint8_t* out);
    static bool decodeLease(const uint8_t* p, int64_t* acquired);

    // Appends header and payload to out; returns the block's checksum.
    static uint64_t appendBlock(BlockKind kind, const uint8_t* payload,
                                size_t payloadSize, std::vector<uint8_t>* out);
    static bool decodeHeader(const uint8_t* p, BlockHeader* out);
    // True when the payload matches the header's checksum.
    static bool verify(const uint8_t* header, const uint8_t* payload, size_t payloadSize);
};

}  // namespace fenn
