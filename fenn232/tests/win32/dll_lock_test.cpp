// The lock across real Windows processes: two adders at once lose nothing,
// a live holder blocks, a killed holder does not.
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

TEST_F(DllLock, ALiveHolderBlocksAndAKilledOneDoesNot) {
    PROCESS_INFORMATION holder = spawnSelf("--child-hold \"" + dir.path() + "\"");
    ASSERT_NE(holder.hProcess, nullptr);
    for (int i = 0; i < 400 && GetFileAttributesA(dir.file("held").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    ASSERT_NE(GetFileAttributesA(dir.file("held").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(StoreSetLock("x", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", 1, 0, &ctx), 0);
    TerminateProcess(holder.hProcess, 9);
    EXPECT_EQ(waitFor(holder, 10000), 9);
    EXPECT_EQ(StoreSetLock("x", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", 1, 0, &ctx), 0);
    writeFile(dir.file("FY0.tmp"), Bytes{'1'});
    EXPECT_EQ(StoreAddVersion("FY0.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "main", "", "", 0, 0, 0,
                              0, 0, &ctx), 0);
}

}  // namespace
}  // namespace dlltest
