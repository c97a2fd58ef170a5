// The entry arrays handed out by StoreReadHeader. The caller keeps reading
// an array after releasing the header and even while it reads the header
// again (listing n versions reads it n + 1 times while walking the first
// array), so an unchanged archive gets the very same array back, and a
// replaced array lives on through the next several reads.
#pragma once

#include <cstdint>
#include <string>

#include "archive_file.h"
#include "store_records.h"

namespace fenn {

class HeaderCache {
public:
    // Returns the entry array for this state of the archive; the pointer
    // stays valid at least until kRetainedArrays further arrays are made
    static VersionEntry* entriesFor(const std::string& archive, const ArchiveState& state);
    // and has not been handed out for kRetainMs.
    static constexpr size_t kRetainedArrays = 8;
    static constexpr int64_t kRetainMs = 60000;
};

}  // namespace fenn
