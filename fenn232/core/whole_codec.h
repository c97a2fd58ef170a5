// Encoding of a whole version: the content cut into 256 KiB chunks, each an
// independent zlib stream (level 6, or stored when the bytes look compressed
// already) so that chunks inflate in parallel, a 1 MiB document on both
// cores of an ordinary machine. The window reset costs about 2% of size.
//
// Payload: u8 method (0 stored, 1 zlib), u32 chunk size, u32 chunk count,
// count x u32 encoded chunk length, then the chunks back to back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace fenn {

class WholeCodec {
public:
    static constexpr uint32_t kChunkSize = 256u << 10;

    static std::vector<uint8_t> encode(const uint8_t* data, size_t size, bool compress);
    // Decodes into out (resized to rawSize); false on any inconsistency.
    static bool decode(const uint8_t* payload, size_t payloadSize, uint64_t rawSize,
                       std::vector<uint8_t>* out);
    // Decodes chunk by chunk: each chunk goes to `sink` as soon as it and
    // every chunk before it are inflated, in order and never two at once
    // (from whichever thread inflated the last of them), so that writing
    // overlaps inflating and no buffer holds the whole content. False on
    // any inconsistency, or once the sink returns false.
    using ChunkSink = std::function<bool(const uint8_t* data, size_t size)>;
    static bool decodeTo(const uint8_t* payload, size_t payloadSize, uint64_t rawSize, const ChunkSink& sink);
};

// One zlib stream in memory, used by the delta blocks too.
bool deflateBuffer(const uint8_t* data, size_t size, int level, std::vector<uint8_t>* out);
bool inflateBuffer(const uint8_t* data, size_t size, uint8_t* out, size_t outSize);
// A chain's delta stream: one raw deflate stream that runs through the
// compressed deltas of a chain, each delta's part ending in a sync flush, so
// that each part may refer back to the 32 KiB of operations before it. A part
// is made with those bytes as the preset dictionary (`history`, only its last
// 32 KiB count) and read either the same way or by one inflater that goes
// through the chain's parts in order.
constexpr size_t kChainWindow = 32 * 1024;
bool deflateChainPart(const uint8_t* data, size_t size, const uint8_t* history, size_t historySize,
                      std::vector<uint8_t>* out);

class ChainInflater {
public:
    ChainInflater();
    ~ChainInflater();
    ChainInflater(const ChainInflater&) = delete;
    ChainInflater& operator=(const ChainInflater&) = delete;
    // Starts from these bytes of history (the stream before this part).
    bool preset(const uint8_t* history, size_t historySize);
    // Inflates the next part into `out`, which has room for `room` bytes;
    // false unless the part yields exactly outSize bytes and ends at its
    // sync flush.
    bool next(const uint8_t* part, size_t partSize, uint8_t* out, size_t outSize, size_t room);

private:
    void* stream_;
    bool ready_;
};

}  // namespace fenn
