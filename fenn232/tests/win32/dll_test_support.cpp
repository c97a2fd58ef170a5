#include "dll_test_support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace dlltest {

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    path_ = std::string(base) + "fenn232-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
    if (path_.back() == '\\') path_.pop_back();
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &f);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(file(f.cFileName).c_str());
        } while (FindNextFileA(h, &f));
        FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
}

void writeFile(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes textOf(uint32_t seed, size_t size) {
    std::mt19937 rng(seed);
    Bytes b(size);
    for (auto& c : b) c = uint8_t(rng() % 16 ? 'a' + rng() % 26 : (rng() % 4 ? ' ' : '\n'));
    return b;
}

std::string daclOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BYTE descriptor[1024];
    DWORD size = 0;
    char* text = nullptr;
    std::string result;
    if (GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &size) &&
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(file);
    return result;
}

std::string currentUserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    std::string sid;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

PROCESS_INFORMATION spawnSelf(const std::string& arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = "\"" + std::string(self) + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        pi.hProcess = nullptr;
    return pi;
}

int waitFor(PROCESS_INFORMATION& pi, DWORD ms) {
    if (!pi.hProcess) return -1;
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    pi.hProcess = nullptr;
    return int(code);
}

int childAdd(const std::string& folder, const std::string& tag, int count) {
    StoreContext ctx = {};
    std::string snapshot = "FY" + tag + ".tmp";
    for (int i = 0; i < count; ++i) {
        writeFile(folder + "\\" + snapshot, textOf(uint32_t(std::stoi(tag) * 1000 + i), 4000));
        if (StoreSetLock(snapshot.c_str(), "DOC.fy", folder.c_str(), folder.c_str(), "child", 1, 0, &ctx) != 0)
            return 10;
        if (StoreAddVersion(snapshot.c_str(), "DOC.fy", folder.c_str(), folder.c_str(), "child", tag.c_str(), "",
                            0, 0, 0, 0, 0, &ctx) != 0)
            return 11;
    }
    return 0;
}

int childHold(const std::string& folder) {
    StoreContext ctx = {};
    if (StoreSetLock("x", "DOC.fy", folder.c_str(), folder.c_str(), "child", 1, 0, &ctx) != 0) return 10;
    writeFile(folder + "\\held", Bytes{'1'});
    Sleep(INFINITE);  // until killed, holding the lock
    return 0;
}

}  // namespace dlltest

// The entry: plain gtest, or one of the child roles the lock tests start.
int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--child-add") == 0)
        return dlltest::childAdd(argv[2], argv[3], std::stoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "--child-hold") == 0) return dlltest::childHold(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
