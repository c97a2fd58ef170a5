// The two damage checks of the benchmark, on real files: every single-byte
// flip of a small archive, and the writer killed (SIGKILL) at every file-
// layer call of each kind of change.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct FlipResult {
    int liveBytes = 0, detected = 0, unusedBytes = 0, harmless = 0, wrongData = 0, lostIntact = 0;
};
FlipResult flipEveryByte(const std::string& folder);

struct CrashResult {
    std::string change;
    int calls = 0, before = 0, after = 0, neither = 0;
};
std::vector<CrashResult> killAtEveryCall(const std::string& folder);

}  // namespace bench
