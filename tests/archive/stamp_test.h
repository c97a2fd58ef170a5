// Packing a moment into the store's MS-DOS date-time stamp, for the date tests.
#pragma once

#include <cstdint>

inline uint32_t PackStamp(int year, int month, int day, int hour, int minute, int second)
{
    return static_cast<uint32_t>(year - 1980) << 25 | static_cast<uint32_t>(month) << 21 |
           static_cast<uint32_t>(day) << 16 | static_cast<uint32_t>(hour) << 11 |
           static_cast<uint32_t>(minute) << 5 | static_cast<uint32_t>(second / 2);
}
