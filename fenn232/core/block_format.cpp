#include "block_format.h"

#include <cstring>

#include "byte_codec.h"
#include "xxh64.h"

namespace fenn {
namespace {

const uint8_t kMagic[8] = {'F', 'Y', 'S', 'T', 'O', 'R', 'E', 0x1A};
constexpr uint32_t kSlotMagic = 0x42535946;   // "FYSB"
constexpr uint32_t kLeaseMagic = 0x534C5946;  // "FYLS"
constexpr uint16_t kBlockMagic = 0x4246;      // "FB"

uint64_t get64(const uint8_t* p) {
    ByteReader r(p, 8);
    return r.u64();
}

void sealFixed(std::vector<uint8_t>& v) {  // the last 8 of 64 bytes hash the rest
    v.resize(56);
    ByteWriter(v).u64(Xxh64::hash(v.data(), 56));
}

bool sealed(const uint8_t* p) { return Xxh64::hash(p, 56) == get64(p + 56); }

}  // namespace

std::vector<uint8_t> BlockFormat::preamble() {
    std::vector<uint8_t> v;
    ByteWriter w(v);
    w.bytes(kMagic, 8);
    w.u32(kFormatVersion);
    w.u32(uint32_t(kDataStart));
    sealFixed(v);
    return v;
}

int BlockFormat::checkPreamble(const uint8_t* p) {
    if (std::memcmp(p, kMagic, 8) != 0) return 1;
    if (!sealed(p)) return 2;
    ByteReader r(p + 8, 8);
    uint32_t version = r.u32();
    uint32_t dataStart = r.u32();
    if (version != kFormatVersion) return 3;
    return dataStart == kDataStart ? 0 : 2;
}

void BlockFormat::encodeSlot(const Superblock& sb, uint8_t* out) {
    std::vector<uint8_t> v;
    ByteWriter w(v);
    w.u32(kSlotMagic);
    w.u32(kFormatVersion);  // a slot alone still says what the file is
    w.u64(sb.sequence);
    w.u64(sb.catalogOffset);
    w.u64(sb.catalogLength);
    w.u64(sb.catalogChecksum);
    w.u64(sb.committedEnd);
    sealFixed(v);
    std::memcpy(out, v.data(), kFixedSize);
}

bool BlockFormat::decodeSlot(const uint8_t* p, Superblock* out) {
    ByteReader r(p, kFixedSize);
    if (r.u32() != kSlotMagic || !sealed(p)) return false;
    if (r.u32() != kFormatVersion) return false;
    out->sequence = r.u64();
    out->catalogOffset = r.u64();
    out->catalogLength = r.u64();
    out->catalogChecksum = r.u64();
    out->committedEnd = r.u64();
    // Written without sums that could wrap around.
    return out->sequence != 0 && out->catalogOffset >= kFixedSize &&
           out->catalogLength >= kBlockHeaderSize && out->catalogLength <= out->committedEnd &&
           out->catalogOffset <= out->committedEnd - out->catalogLength;
}

void BlockFormat::encodeLease(int64_t acquired, uint8_t* out) {
    std::vector<uint8_t> v;
    ByteWriter w(v);
    w.u32(kLeaseMagic);
    w.u32(0);
    w.u64(uint64_t(acquired));
    sealFixed(v);
    std::memcpy(out, v.data(), kFixedSize);
}

bool BlockFormat::decodeLease(const uint8_t* p, int64_t* acquired) {
    ByteReader r(p, kFixedSize);
    if (r.u32() != kLeaseMagic || !sealed(p)) return false;
    r.u32();
    *acquired = int64_t(r.u64());
    return true;
}

uint64_t BlockFormat::appendBlock(BlockKind kind, const uint8_t* payload, size_t payloadSize,
                                  std::vector<uint8_t>* out) {
    size_t at = out->size();
    ByteWriter w(*out);
    w.u16(kBlockMagic);
    w.u8(uint8_t(kind));
    w.u8(0);
    w.u32(uint32_t(payloadSize));  // contents are at most 1 GiB: payloads fit
    uint64_t seed = Xxh64::hash(out->data() + at, 8);
    uint64_t sum = Xxh64::hash(payload, payloadSize, seed);
    w.u64(sum);
    w.bytes(payload, payloadSize);
    return sum;
}

bool BlockFormat::decodeHeader(const uint8_t* p, BlockHeader* out) {
    ByteReader r(p, kBlockHeaderSize);
    if (r.u16() != kBlockMagic) return false;
    uint8_t kind = r.u8();
    if (r.u8() != 0) return false;
    out->payloadLength = r.u32();
    out->checksum = r.u64();
    if (kind < 1 || kind > 3) return false;
    out->kind = BlockKind(kind);
    return true;
}

bool BlockFormat::verify(const uint8_t* header, const uint8_t* payload, size_t payloadSize) {
    uint64_t seed = Xxh64::hash(header, 8);
    return Xxh64::hash(payload, payloadSize, seed) == get64(header + 8);
}

}  // namespace fenn
