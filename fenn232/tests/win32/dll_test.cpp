// The real FENN232.DLL, imported by ordinal and driven as the module drives
// it: the records it hands out, the rights of the files it makes, and its
// lock across real Windows processes (two adders at once lose nothing, a live
// holder blocks, a killed one does not, under every spelling of the archive's
// path; a source held by a scanner is waited for, then in use).
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store_api.h"
#include "temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

using fenn::TempFolder;

Bytes textOf(uint32_t seed, size_t size) {
    std::mt19937 rng(seed);
    Bytes b(size);
    for (auto& c : b) c = uint8_t(rng() % 16 ? 'a' + rng() % 26 : (rng() % 4 ? ' ' : '\n'));
    return b;
}

// The first version: three chunks of a whole, deflated and inflated on the
// system's thread pool, in blocks large enough for the block cache.
constexpr size_t kFirstSize = 600000;

// The access list of path in the descriptor language ("" when unreadable).
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

// Starts this program again in one of the child roles of main below.
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
        TempFolder::write(folder + "\\" + snapshot, textOf(uint32_t(std::stoi(tag) * 1000 + i), 4000));
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
    TempFolder::write(folder + "\\held", Bytes{'1'});
    Sleep(INFINITE);  // until killed, holding the lock
    return 0;
}

class DllTest : public ::testing::Test {
protected:
    void SetUp() override {
        TempFolder::write(dir.file("FY1A2B.tmp"), textOf(1, kFirstSize));
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", "", "", 0, 0, 0, 1000, 1000, 0,
                                     1, 0), 0);
    }
    int32_t lock() { return StoreSetLock("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", 1, 0, &ctx); }
    int32_t add(const Bytes& content, const char* comment = "", int32_t permanent = 0) {
        TempFolder::write(dir.file("FY1A2B.tmp"), content);
        if (lock() != 0) return -1;
        return StoreAddVersion("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", comment, "", permanent, 0, 0, 0, 0,
                               &ctx);
    }
    ArchiveHeader header() {
        ArchiveHeader h;
        std::memset(&h, 0, sizeof h);
        StoreHeaderHandle handle = 0;
        EXPECT_EQ(StoreReadHeader(dir.file("DOC.fy").c_str(), &h, &handle), 0);
        EXPECT_EQ(StoreReleaseHeader(handle), 0);
        return h;
    }
    Bytes retrieve(int version) {
        EXPECT_EQ(StoreRetrieveVersion("FY#OUT.tmp", "DOC.fy", folder, folder, "dave", "", version, 2, 0, 1, &ctx), 0);
        return TempFolder::read(dir.file("FY#OUT.tmp"));
    }

    TempFolder dir;
    const char* folder = dir.path().c_str();
    StoreContext ctx = {};
};

TEST_F(DllTest, VersionsComeBackByteForByteAndFollowTheModulesCalls) {
    VersionEntry* first = header().entries;
    EXPECT_EQ(header().entries, first);  // unchanged archive: the same array
    Bytes v2 = textOf(1, kFirstSize);
    v2[5000] = '#';
    v2.insert(v2.begin() + 9000, 40, 'Z');
    ASSERT_EQ(add(v2, "two", 1), 0);
    EXPECT_EQ(first[0].number, 1);  // the older array is still readable
    EXPECT_EQ(retrieve(1), textOf(1, kFirstSize));
    EXPECT_EQ(retrieve(2), v2);
    TempFolder::write(dir.file("work.txt"), v2);
    EXPECT_EQ(StoreIsWorkingNewer("work.txt", "DOC.fy", folder, folder), 0);
    v2[0] ^= 1;  // same size, other bytes
    TempFolder::write(dir.file("work.txt"), v2);
    EXPECT_GT(StoreIsWorkingNewer("work.txt", "DOC.fy", folder, folder), 0);
    for (int i = 3; i <= 4; ++i) ASSERT_EQ(add(textOf(uint32_t(i), 3000)), 0);
    // A cap of 1 keeps the newest temporary, 4, and the permanent 2.
    ASSERT_EQ(lock(), 0);
    ASSERT_EQ(StoreSetMaxTemp("DOC.fy", folder, "dave", 1, &ctx), 0);
    ArchiveHeader h = header();
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.counter, 4);
    EXPECT_NE(h.compressed, 0);
    EXPECT_EQ(h.entries[0].number, 2);
    EXPECT_STREQ(h.entries[0].comment, "two");
    EXPECT_STREQ(h.entries[0].user, "dave");
    EXPECT_GE(h.entries[0].stamp >> 25, 44u);  // 2024 or later
    EXPECT_EQ(h.entries[1].number, 4);
    int32_t flag = 0;
    ASSERT_EQ(StoreGetPermanent("DOC.fy", folder, "", 2, &flag, &ctx), 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(lock(), 0);
    ASSERT_EQ(lock(), 0);
    ASSERT_EQ(StoreSetPermanent("DOC.fy", folder, "dave", "", 2, 0, &ctx), 0);
    ASSERT_EQ(StoreDeleteVersion("DOC.fy", folder, "dave", "", 2, 0, &ctx), 0);
    h = header();
    ASSERT_EQ(h.count, 1);
    EXPECT_EQ(h.entries[0].number, 4);
    EXPECT_EQ(retrieve(4), textOf(4, 3000));
    int32_t cap = 0;
    ASSERT_EQ(StoreGetMaxTemp("DOC.fy", folder, &cap, &ctx), 0);
    EXPECT_EQ(cap, 1);
}

TEST_F(DllTest, ANewArchiveIsItsUsersAloneAndARetrievedFileHasItsFoldersRights) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE buffer[256];
    DWORD size = 0;
    char* sid = nullptr;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    ASSERT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
    const std::string user = sid;
    LocalFree(sid);
    // Wine keeps a list as far as the Unix permission bits show it: Everyone
    // reads every new file here, so its absence shows a private one.
    std::string archive = daclOf(dir.file("DOC.fy"));
    EXPECT_NE(archive.find("(A;;FA;;;" + user + ")"), std::string::npos) << archive;
    EXPECT_EQ(archive.find(";WD)"), std::string::npos) << archive;
    // A private file retrieved over takes what the folder hands a new file.
    TempFolder::write(dir.file("new.txt"), Bytes{'n'});
    ASSERT_NE(daclOf(dir.file("new.txt")), daclOf(dir.file("DOC.fy")));
    TempFolder::write(dir.file("FY#OUT.tmp"), Bytes{'o'});
    PSECURITY_DESCRIPTOR mine = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(("D:P(A;;FA;;;" + user + ")").c_str(),
                                                                     SDDL_REVISION_1, &mine, nullptr));
    HANDLE out = CreateFileA(dir.file("FY#OUT.tmp").c_str(), WRITE_DAC, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(SetKernelObjectSecurity(out, DACL_SECURITY_INFORMATION, mine));
    CloseHandle(out);
    LocalFree(mine);
    ASSERT_EQ(daclOf(dir.file("FY#OUT.tmp")).find(";WD)"), std::string::npos);
    EXPECT_EQ(retrieve(1), textOf(1, kFirstSize));
    EXPECT_EQ(daclOf(dir.file("FY#OUT.tmp")), daclOf(dir.file("new.txt")));
}

TEST_F(DllTest, TwoProcessesAddingAtOnceLoseNoVersion) {
    const int kEach = 10;
    PROCESS_INFORMATION a = spawnSelf("--child-add \"" + dir.path() + "\" 1 " + std::to_string(kEach));
    PROCESS_INFORMATION b = spawnSelf("--child-add \"" + dir.path() + "\" 2 " + std::to_string(kEach));
    EXPECT_EQ(waitFor(a, 60000), 0);
    EXPECT_EQ(waitFor(b, 60000), 0);
    ArchiveHeader h = header();
    ASSERT_EQ(h.count, 2 * kEach + 1);
    int fromEach[3] = {0, 0, 0};
    for (int i = 1; i < h.count; ++i) {
        int tag = h.entries[i].comment[0] - '0';
        ASSERT_TRUE(tag == 1 || tag == 2);
        // Each child adds in order, so its versions keep their order.
        EXPECT_EQ(retrieve(h.entries[i].number), textOf(uint32_t(tag * 1000 + fromEach[tag]++), 4000));
    }
    EXPECT_EQ(fromEach[1], kEach);
    EXPECT_EQ(fromEach[2], kEach);
}

TEST_F(DllTest, OneArchiveIsOneLockUnderEverySpellingHeldByALiveProcessNotByAKilledOne) {
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(dir.file("DOC.fy").c_str(), shortPath, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::string shortFolder(shortPath, strrchr(shortPath, '\\'));
    std::string shortName(strrchr(shortPath, '\\') + 1);
    std::string upperFolder = dir.path();
    CharUpperA(&upperFolder[0]);
    auto addAs = [&](const char* name, const std::string& archiveFolder) {
        TempFolder::write(dir.file("FY1A2B.tmp"), textOf(GetTickCount(), 100));
        return StoreAddVersion("FY1A2B.tmp", name, folder, archiveFolder.c_str(), "dave", "", "", 0, 0, 0, 0, 0,
                               &ctx);
    };
    // Taken under one spelling, held under the others: this process's adds
    // under them go straight through instead of waiting for itself.
    ASSERT_EQ(lock(), 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(addAs("doc.FY", upperFolder), 0);
    EXPECT_EQ(addAs(shortName.c_str(), shortFolder), 0);
    EXPECT_LT(GetTickCount() - start, 4000u);  // never waited out the 5 s bound
    // Given back under the short spelling, it is free for another process,
    // which then blocks this one until it is killed.
    ASSERT_EQ(StoreSetLock("x", shortName.c_str(), shortFolder.c_str(), shortFolder.c_str(), "dave", 0, 0, &ctx), 0);
    PROCESS_INFORMATION holder = spawnSelf("--child-hold \"" + dir.path() + "\"");
    ASSERT_NE(holder.hProcess, nullptr);
    for (int i = 0; i < 400 && GetFileAttributesA(dir.file("held").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    EXPECT_NE(GetFileAttributesA(dir.file("held").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(lock(), kStoreLocked);
    TerminateProcess(holder.hProcess, 9);
    EXPECT_EQ(waitFor(holder, 10000), 9);
    EXPECT_EQ(lock(), 0);
    EXPECT_EQ(addAs("DOC.fy", dir.path()), 0);
}

TEST_F(DllTest, ASourceHeldBrieflyIsWaitedForAndOneHeldLongerIsInUse) {
    TempFolder::write(dir.file("FY1A2B.tmp"), Bytes{'b', 'u', 's', 'y'});
    // A scanner holds the source without sharing: past every retry the save
    // is refused as in use (the module's "try again"), not as a disk failure.
    HANDLE scanner = CreateFileA(dir.file("FY1A2B.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    const auto addHeld = [&] {
        return StoreAddVersion("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", "", "", 0, 0, 0, 0, 0, &ctx);
    };
    EXPECT_EQ(addHeld(), kStoreLocked);
    // Held for a moment only: waited for.
    HANDLE releaser = CreateThread(nullptr, 0, [](LPVOID h) -> DWORD {
        Sleep(150);
        CloseHandle(static_cast<HANDLE>(h));
        return 0;
    }, scanner, 0, nullptr);
    ASSERT_NE(releaser, nullptr);
    EXPECT_EQ(addHeld(), 0);
    EXPECT_EQ(WaitForSingleObject(releaser, 10000), WAIT_OBJECT_0);
    CloseHandle(releaser);
    EXPECT_EQ(retrieve(2), (Bytes{'b', 'u', 's', 'y'}));
}

}  // namespace

// The entry: plain gtest, or one of the child roles the lock tests start.
int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--child-add") == 0) return childAdd(argv[2], argv[3], std::stoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "--child-hold") == 0) return childHold(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
