// Small helpers of the benchmark: a stopwatch, files, folders.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

inline double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void writeFile(const std::string& path, const Bytes& data);
Bytes readFile(const std::string& path);
// Copies a file and flushes the copy: the reference for saving.
void copyWithFlush(const std::string& from, const std::string& to);
uint64_t treeBytes(const std::string& folder);
std::string makeTempFolder(const std::string& under);
int run(const std::string& command);

// The size reference: one zlib level-6 copy of data.
inline uint64_t zlib6(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), uLong(data.size()), 6);
    return size;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace bench
