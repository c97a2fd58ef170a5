// Version stamps: UTC in the packed MS-DOS form (bits 25-31 year - 1980,
// 21-24 month, 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds / 2).
#pragma once

#include <cstdint>

namespace fenn {

struct CivilTime {
    int year, month, day, hour, minute, second;
};

class DosTime {
public:
    // Seconds since 1970 UTC to the packed form; clamped to 1980-2107.
    static uint32_t pack(int64_t unixSeconds);
    static CivilTime unpack(uint32_t packed);
};

}  // namespace fenn
