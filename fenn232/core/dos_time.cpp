#include "dos_time.h"

namespace fenn {

uint32_t DosTime::pack(int64_t t) {
    const int64_t kFirst = 315532800;    // 1980-01-01
    const int64_t kLast = 4354819198LL;  // 2107-12-31 23:59:58
    if (t < kFirst) t = kFirst;
    if (t > kLast) t = kLast;
    int64_t days = t / 86400;
    int64_t secs = t % 86400;
    // Days to civil date (proleptic Gregorian), after H. Hinnant.
    int64_t z = days + 719468;
    int64_t era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    return uint32_t((y - 1980) << 25 | m << 21 | d << 16 | (secs / 3600) << 11 |
                    ((secs / 60) % 60) << 5 | (secs % 60) / 2);
}

CivilTime DosTime::unpack(uint32_t p) {
    return CivilTime{int(p >> 25) + 1980, int((p >> 21) & 15), int((p >> 16) & 31),
                     int((p >> 11) & 31), int((p >> 5) & 63), int(p & 31) * 2};
}

}  // namespace fenn
