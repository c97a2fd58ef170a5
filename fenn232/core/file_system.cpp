#include "file_system.h"

#include <algorithm>
#include <cstdio>

namespace fenn {

std::string scratchPathBeside(const std::string& path, uint32_t process, uint32_t serial) {
    size_t cut = path.find_last_of("\\/:");
    size_t folderEnd = cut == std::string::npos ? 0 : cut + 1;
    size_t room = std::max<size_t>(path.size() - folderEnd, 4);
    char digits[17];
    std::snprintf(digits, sizeof digits, "%08x%08x", unsigned(process), unsigned(serial));
    // The serial's digits come last and are kept first: within one process
    // they alone keep names apart.
    size_t keep = std::min<size_t>(room - 1, 16);
    return path.substr(0, folderEnd) + "~" + std::string(digits + 16 - keep);
}

}  // namespace fenn
