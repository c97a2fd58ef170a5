// Encoding of a whole version: the content cut into 1 MiB chunks, each an
// independent zlib stream (level 6) so that chunks inflate in parallel. The
// dictionary reset every MiB costs well under one percent of size.
//
// Payload: u8 method (0 stored, 1 zlib), u32 chunk size, u32 chunk count,
// count x u32 encoded chunk length, then the chunks back to back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenn {

class WholeCodec {
public:
    static constexpr uint32_t kChunkSize = 1u << 20;

    static std::vector<uint8_t> encode(const uint8_t* data, size_t size, bool compress);
    // Decodes into out (resized to rawSize); false on any inconsistency.
    static bool decode(const uint8_t* payload, size_t payloadSize, uint64_t rawSize,
                       std::vector<uint8_t>* out);
};

// One zlib stream in memory, used by the delta blocks too.
bool deflateBuffer(const uint8_t* data, size_t size, int level, std::vector<uint8_t>* out);
bool inflateBuffer(const uint8_t* data, size_t size, uint8_t* out, size_t outSize);
// The same with a preset dictionary (bytes the stream may refer back to).
bool deflateWithDictionary(const uint8_t* data, size_t size, const uint8_t* dictionary, size_t dictionarySize,
                           std::vector<uint8_t>* out);
bool inflateWithDictionary(const uint8_t* data, size_t size, const uint8_t* dictionary, size_t dictionarySize,
                           uint8_t* out, size_t outSize);

}  // namespace fenn
