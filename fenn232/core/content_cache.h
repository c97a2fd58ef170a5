// The latest content of the archives this process saved or read last, kept
// in memory so that the next add need not rebuild it from its chain (the
// work that made every add cost a full retrieve) and the newest version,
// the one users open most, is written out without decoding.
//
// An entry is used only for a content whose size and XXH64 in the committed
// catalog equal the entry's own, so another process's changes, or another
// archive under the same name, can never make it serve wrong bytes. The chain
// history beside it is used only for the same content id at the same place
// in the file; a compaction costs one rebuild. A few
// entries are kept, of bounded size, and they go with the process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fenn {

class ContentCache {
public:
    using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

    // The cached bytes of the archive's content of this size and hash, or null.
    static Bytes find(const std::string& archive, uint64_t rawSize, uint64_t rawHash);
    // The chain history (see ContentCodec::rebuild) kept with the content
    // whose block is at this offset and length, or null.
    static Bytes findHistory(const std::string& archive, uint32_t contentId, uint64_t offset, uint64_t length);
    static void put(const std::string& archive, uint64_t rawHash, Bytes bytes);
    // Also keeps the content's chain history, for the next add's delta.
    static void put(const std::string& archive, uint64_t rawHash, Bytes bytes, Bytes history, uint32_t contentId,
                    uint64_t offset, uint64_t length);
    // Forgets everything: the damage tests read from the file alone.
    static void clear();
};

}  // namespace fenn
