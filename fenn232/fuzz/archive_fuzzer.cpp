// libFuzzer target: the input is an archive file. Every reading operation and
// one change run over it in memory; none may crash, hang, or read or write
// outside its buffers (the sanitizers watch), and every failure must be a
// status. Checksums would turn away almost every mutation, so a quarter of
// the inputs get their checksums renewed first, letting the fuzzer reach the
// parsers behind them.
#include <cstdint>
#include <cstring>
#include <vector>

#include "block_format.h"
#include "byte_codec.h"
#include "memory_file_system.h"
#include "version_store.h"
#include "xxh64.h"

namespace {

void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Re-seals the preamble, both slots and every block that parses, so that
// mutated structure gets past the checksums.
void reseal(std::vector<uint8_t>& b) {
    using namespace fenn;
    if (b.size() < kDataStart) return;
    put64(&b[56], Xxh64::hash(b.data(), 56));
    for (uint64_t slot : kSlotOffset) put64(&b[slot + 56], Xxh64::hash(&b[slot], 56));
    // Blocks: the inline catalogs beside the slots, then the data region.
    const uint64_t starts[] = {inlineCatalogOffset(0), inlineCatalogOffset(1), kDataStart};
    for (uint64_t start : starts) {
        uint64_t at = start;
        uint64_t stop = start == kDataStart ? b.size() : start + kInlineCatalog;
        while (at + kBlockHeaderSize <= stop) {
            BlockHeader h;
            if (!BlockFormat::decodeHeader(&b[at], &h) || h.payloadLength > b.size() - at - kBlockHeaderSize) {
                ++at;
                continue;
            }
            uint64_t seed = Xxh64::hash(&b[at], 8);
            uint64_t sum = Xxh64::hash(&b[at + kBlockHeaderSize], size_t(h.payloadLength), seed);
            put64(&b[at + 8], sum);
            for (uint64_t slot : kSlotOffset) {
                ByteReader r(&b[slot + 16], 8);
                if (r.u64() == at) {
                    put64(&b[slot + 32], sum);
                    put64(&b[slot + 56], Xxh64::hash(&b[slot], 56));
                }
            }
            at += kBlockHeaderSize + h.payloadLength;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    if (size > 0 && data[size - 1] % 4 == 0) reseal(bytes);
    fenn::MemoryFileSystem fs;
    fs.put("/a.fy", bytes);
    fs.put("/w", std::vector<uint8_t>{'w'});
    fenn::VersionStore store(fs);
    fenn::ArchiveState state;
    if (store.read("/a.fy", &state) == fenn::StoreError::Ok) {
        for (const fenn::VersionRecord& v : state.catalog.versions) {
            std::vector<uint8_t> out;
            store.retrieveBytes("/a.fy", v.number, &out);
        }
    }
    bool newer = false;
    store.isWorkingNewer("/a.fy", "/w", &newer);
    int32_t cap = 0;
    store.getMaxTemp("/a.fy", &cap);
    store.add("/a.fy", "/w", fenn::VersionNote());
    store.remove("/a.fy", 1);
    return 0;
}
