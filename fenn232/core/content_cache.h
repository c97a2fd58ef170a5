// The latest content of the archives this process saved or read last, kept
// in memory so that the next add need not rebuild it from its chain (the
// work that made every add cost a full retrieve) and the newest version,
// the one users open most, is written out without decoding.
//
// An entry is used only for a content whose size and XXH64 in the committed
// catalog equal the entry's own, so another process's changes, or another
// archive under the same name, can never make it serve wrong bytes. A few
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
    static void put(const std::string& archive, uint64_t rawHash, Bytes bytes);
    // Forgets everything: the damage tests read from the file alone.
    static void clear();
};

}  // namespace fenn
