// The real FENN232.DLL, imported by ordinal, driven as the module drives it.
#include <gtest/gtest.h>

#include <cstring>

#include "dll_test_support.h"

namespace dlltest {
namespace {

class DllOperations : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir.file("FY1A2B.tmp"), textOf(1, 20000));
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", "", "",
                                     0, 0, 0, 3, 3, 0, 1, 0), 0);
    }
    int32_t add(const Bytes& content, const char* comment, int32_t permanent = 0) {
        writeFile(dir.file("FY1A2B.tmp"), content);
        if (StoreSetLock("FY1A2B.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", 1, 0, &ctx) != 0)
            return -1;
        return StoreAddVersion("FY1A2B.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", comment, "",
                               permanent, 0, 0, 0, 0, &ctx);
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
        writeFile(dir.file("FY#OUT.tmp"), Bytes());
        EXPECT_EQ(StoreRetrieveVersion("FY#OUT.tmp", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", "",
                                       version, 2, 0, 1, &ctx), 0);
        return readFile(dir.file("FY#OUT.tmp"));
    }

    TempFolder dir;
    StoreContext ctx = {};
};

TEST_F(DllOperations, VersionsComeBackByteForByteAndTheWorkingFileComparesWithTheLatest) {
    Bytes v2 = textOf(1, 20000);
    v2[5000] = '#';
    v2.insert(v2.begin() + 9000, 40, 'Z');
    ASSERT_EQ(add(v2, "two"), 0);
    EXPECT_EQ(retrieve(1), textOf(1, 20000));
    EXPECT_EQ(retrieve(2), v2);
    ArchiveHeader h = header();
    EXPECT_EQ(h.count, 2);
    EXPECT_EQ(h.counter, 2);
    EXPECT_NE(h.compressed, 0);
    EXPECT_STREQ(h.entries[1].comment, "two");
    EXPECT_STREQ(h.entries[1].user, "dave");
    writeFile(dir.file("work.txt"), v2);
    EXPECT_EQ(StoreIsWorkingNewer("work.txt", "DOC.fy", dir.path().c_str(), dir.path().c_str()), 0);
    v2[0] ^= 1;  // same size, other bytes
    writeFile(dir.file("work.txt"), v2);
    EXPECT_GT(StoreIsWorkingNewer("work.txt", "DOC.fy", dir.path().c_str(), dir.path().c_str()), 0);
    std::string longName(300, 'x');
    int32_t cap = 0;
    EXPECT_NE(StoreGetMaxTemp(longName.c_str(), dir.path().c_str(), &cap, &ctx), 0);
}

TEST_F(DllOperations, CapPermanentAndDeleteFollowTheModulesCalls) {
    for (int i = 2; i <= 4; ++i) ASSERT_EQ(add(textOf(uint32_t(i), 3000), "t", i == 2), 0);
    // Temporaries 1, 3, 4 fit the cap of 3.
    ASSERT_EQ(StoreSetLock("w", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", 1, 0, &ctx), 0);
    ASSERT_EQ(StoreSetMaxTemp("DOC.fy", dir.path().c_str(), "dave", 1, &ctx), 0);
    ArchiveHeader h = header();
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.entries[0].number, 2);
    EXPECT_EQ(h.entries[1].number, 4);
    int32_t flag = 0;
    ASSERT_EQ(StoreGetPermanent("DOC.fy", dir.path().c_str(), "", 2, &flag, &ctx), 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(StoreSetLock("w", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", 1, 0, &ctx), 0);
    ASSERT_EQ(StoreSetLock("w", "DOC.fy", dir.path().c_str(), dir.path().c_str(), "dave", 1, 0, &ctx), 0);
    ASSERT_EQ(StoreSetPermanent("DOC.fy", dir.path().c_str(), "dave", "", 2, 0, &ctx), 0);
    ASSERT_EQ(StoreDeleteVersion("DOC.fy", dir.path().c_str(), "dave", "", 2, 0, &ctx), 0);
    h = header();
    ASSERT_EQ(h.count, 1);
    EXPECT_EQ(h.entries[0].number, 4);
    EXPECT_EQ(retrieve(4), textOf(4, 3000));
    int32_t cap = 0;
    ASSERT_EQ(StoreGetMaxTemp("DOC.fy", dir.path().c_str(), &cap, &ctx), 0);
    EXPECT_EQ(cap, 1);
}

}  // namespace
}  // namespace dlltest
