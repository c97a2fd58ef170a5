// Small helpers of the benchmark: a stopwatch, files, folders.
#pragma once

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

}  // namespace bench
