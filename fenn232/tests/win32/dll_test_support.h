// Helpers of the DLL tests: a private folder, whole files, access lists and
// child processes of this same test program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store_api.h"

namespace dlltest {

using Bytes = std::vector<uint8_t>;

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const Bytes& data);
Bytes readFile(const std::string& path);
Bytes textOf(uint32_t seed, size_t size);
// The access list of path in the descriptor language ("" when unreadable).
std::string daclOf(const std::string& path);
std::string currentUserSid();

// Starts this program again with the given arguments; waits for its end.
PROCESS_INFORMATION spawnSelf(const std::string& arguments);
int waitFor(PROCESS_INFORMATION& pi, DWORD ms);

// Child modes, chosen on the command line by the test main.
int childAdd(const std::string& folder, const std::string& tag, int count);
int childHold(const std::string& folder);

}  // namespace dlltest
