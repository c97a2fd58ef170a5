// Catalogs as parsed, by their block's checksum. Parsing a catalog of a
// thousand versions costs more than reading and checking its block, and the
// module reads the same catalog for each version it lists, then again for a
// retrieve. A catalog is still read and its block checked on every load: an
// entry only spares parsing bytes that hash the same, against the same
// committed end (the bound its offsets are checked against), so it stands
// for nothing but what parsing them would give. A few entries of bounded
// size are kept, and they go with the process.
#pragma once

#include <cstdint>

#include "catalog.h"

namespace fenn {

class CatalogCache {
public:
    // True, with the catalog copied into `out`, when one parsed from a block
    // of this checksum and length against this committed end is kept.
    static bool find(uint64_t checksum, uint64_t length, uint64_t committedEnd, Catalog* out);
    static void put(uint64_t checksum, uint64_t length, uint64_t committedEnd, const Catalog& catalog);
    static void clear();
};

}  // namespace fenn
