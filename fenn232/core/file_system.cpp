#include "file_system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace fenn {

std::string scratchPathBeside(const std::string& path, uint32_t index) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : path) hash = (hash ^ uint32_t(std::tolower(c))) * 16777619u;
    size_t cut = path.find_last_of("\\/:");
    size_t folderEnd = cut == std::string::npos ? 0 : cut + 1;
    size_t room = std::max<size_t>(path.size() - folderEnd, 4);
    char digits[17];
    std::snprintf(digits, sizeof digits, "%08x%08x", unsigned(hash), unsigned(index));
    // The index's digits come last and are kept first: they alone keep the
    // names of one path apart.
    size_t keep = std::min<size_t>(room - 1, 16);
    return path.substr(0, folderEnd) + "~" + std::string(digits + 16 - keep);
}

}  // namespace fenn
