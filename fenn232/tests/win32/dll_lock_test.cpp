// The lock across real Windows processes: two adders at once lose nothing,
// a live holder blocks, a killed holder does not, under every spelling of
// the archive's path; a file held by a scanner is waited for, then in use.
#include <gtest/gtest.h>

#include "dll_test_support.h"

namespace dlltest {
namespace {

class DllLock : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir.file("FY0.tmp"), Bytes{'0'});
        ASSERT_EQ(StoreCreateArchive("FY0.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", "", "", 0,
                                     0, 0, 1000, 1000, 0, 1, 0), 0);
    }
    TempFolder dir;
    StoreContext ctx = {};
};

TEST_F(DllLock, TwoProcessesAddingAtOnceLoseNoVersion) {
    const int kEach = 10;
    PROCESS_INFORMATION a = spawnSelf("--child-add \"" + dir.path() + "\" 1 " + std::to_string(kEach));
    PROCESS_INFORMATION b = spawnSelf("--child-add \"" + dir.path() + "\" 2 " + std::to_string(kEach));
    EXPECT_EQ(waitFor(a, 60000), 0);
    EXPECT_EQ(waitFor(b, 60000), 0);
    ArchiveHeader h = {};
    StoreHeaderHandle handle = 0;
    ASSERT_EQ(StoreReadHeader(dir.file("DOC.fy").c_str(), &h, &handle), 0);
    ASSERT_EQ(h.count, 2 * kEach + 1);
    int fromEach[3] = {0, 0, 0};
    for (int i = 1; i < h.count; ++i) {
        int tag = h.entries[i].comment[0] - '0';
        ASSERT_TRUE(tag == 1 || tag == 2);
        int k = fromEach[tag]++;
        writeFile(dir.file("out.tmp"), Bytes());
        ASSERT_EQ(StoreRetrieveVersion("out.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "", "",
                                       h.entries[i].number, 2, 0, 1, &ctx), 0);
        // Each child adds in order, so its versions keep their order.
        EXPECT_EQ(readFile(dir.file("out.tmp")), textOf(uint32_t(tag * 1000 + k), 4000));
    }
    EXPECT_EQ(fromEach[1], kEach);
    EXPECT_EQ(fromEach[2], kEach);
}

TEST_F(DllLock, OneArchiveIsOneLockUnderEverySpellingHeldByALiveProcessNotByAKilledOne) {
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(dir.file("DOC.fy").c_str(), shortPath, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::string shortFolder(shortPath, strrchr(shortPath, '\\'));
    std::string shortName(strrchr(shortPath, '\\') + 1);
    std::string upperFolder = dir.path();
    CharUpperA(&upperFolder[0]);
    auto add = [&](const char* name, const std::string& folder) {
        writeFile(dir.file("FY0.tmp"), textOf(GetTickCount(), 100));
        return StoreAddVersion("FY0.tmp", name, dir.path().c_str(), folder.c_str(), "main", "", "", 0, 0, 0, 0, 0,
                               &ctx);
    };
    // Taken under one spelling, held under the others: this process's adds
    // under them go straight through instead of waiting for itself.
    ASSERT_EQ(StoreSetLock("x", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", 1, 0, &ctx), 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(add("doc.FY", upperFolder), 0);
    EXPECT_EQ(add(shortName.c_str(), shortFolder), 0);
    EXPECT_LT(GetTickCount() - start, 4000u);  // never waited out the 5 s bound
    // Given back under the short spelling, it is free for another process,
    // which then blocks this one until it is killed.
    ASSERT_EQ(StoreSetLock("x", shortName.c_str(), shortFolder.c_str(), shortFolder.c_str(), "main", 0, 0, &ctx), 0);
    PROCESS_INFORMATION holder = spawnSelf("--child-hold \"" + dir.path() + "\"");
    ASSERT_NE(holder.hProcess, nullptr);
    for (int i = 0; i < 400 && GetFileAttributesA(dir.file("held").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    EXPECT_NE(GetFileAttributesA(dir.file("held").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(StoreSetLock("x", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", 1, 0, &ctx), kStoreLocked);
    TerminateProcess(holder.hProcess, 9);
    EXPECT_EQ(waitFor(holder, 10000), 9);
    EXPECT_EQ(StoreSetLock("x", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", 1, 0, &ctx), 0);
    EXPECT_EQ(add("DOC.fy", dir.path()), 0);
}

TEST_F(DllLock, ASourceHeldBrieflyIsWaitedForAndOneHeldLongerIsInUse) {
    writeFile(dir.file("FY0.tmp"), Bytes{'b', 'u', 's', 'y'});
    // A scanner holds the source without sharing: past every retry the save
    // is refused as in use (the module's "try again"), not as a disk failure.
    HANDLE scanner = CreateFileA(dir.file("FY0.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    EXPECT_EQ(StoreAddVersion("FY0.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", "", "", 0, 0, 0,
                              0, 0, &ctx), kStoreLocked);
    // Held for a moment only: waited for.
    HANDLE releaser = CreateThread(nullptr, 0, [](LPVOID h) -> DWORD {
        Sleep(150);
        CloseHandle(static_cast<HANDLE>(h));
        return 0;
    }, scanner, 0, nullptr);
    ASSERT_NE(releaser, nullptr);
    EXPECT_EQ(StoreAddVersion("FY0.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", "", "", 0, 0, 0,
                              0, 0, &ctx), 0);
    EXPECT_EQ(WaitForSingleObject(releaser, 10000), WAIT_OBJECT_0);
    CloseHandle(releaser);
    ASSERT_EQ(StoreRetrieveVersion("out.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "", "", 2, 2, 0, 1,
                                   &ctx), 0);
    EXPECT_EQ(readFile(dir.file("out.tmp")), (Bytes{'b', 'u', 's', 'y'}));
}

}  // namespace
}  // namespace dlltest
