// The real FENN232.DLL, imported by ordinal, driven as the module drives it,
// and the rights of the files it makes.
#include <gtest/gtest.h>

#include <cstring>

#include "dll_test_support.h"
#include <sddl.h>

namespace dlltest {
namespace {

class DllOperations : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir.file("FY1A2B.tmp"), textOf(1, 20000));
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", "", "", 0, 0, 0, 3, 3, 0, 1, 0),
                  0);
    }
    int32_t lock() { return StoreSetLock("FY1A2B.tmp", "DOC.fy", folder, folder, "dave", 1, 0, &ctx); }
    int32_t add(const Bytes& content, const char* comment, int32_t permanent = 0) {
        writeFile(dir.file("FY1A2B.tmp"), content);
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
        return readFile(dir.file("FY#OUT.tmp"));
    }

    TempFolder dir;
    const char* folder = dir.path().c_str();
    StoreContext ctx = {};
};

TEST_F(DllOperations, VersionsComeBackByteForByteAndFollowTheModulesCalls) {
    VersionEntry* first = header().entries;
    EXPECT_EQ(header().entries, first);  // unchanged archive: the same array
    Bytes v2 = textOf(1, 20000);
    v2[5000] = '#';
    v2.insert(v2.begin() + 9000, 40, 'Z');
    ASSERT_EQ(add(v2, "two", 1), 0);
    EXPECT_EQ(first[0].number, 1);  // the older array is still readable
    EXPECT_EQ(retrieve(1), textOf(1, 20000));
    EXPECT_EQ(retrieve(2), v2);
    writeFile(dir.file("work.txt"), v2);
    EXPECT_EQ(StoreIsWorkingNewer("work.txt", "DOC.fy", folder, folder), 0);
    v2[0] ^= 1;  // same size, other bytes
    writeFile(dir.file("work.txt"), v2);
    EXPECT_GT(StoreIsWorkingNewer("work.txt", "DOC.fy", folder, folder), 0);
    for (int i = 3; i <= 4; ++i) ASSERT_EQ(add(textOf(uint32_t(i), 3000), "t"), 0);
    // Temporaries 1, 3, 4 fit the cap of 3; a cap of 1 keeps 4 and the permanent 2.
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
    EXPECT_NE(StoreGetMaxTemp(std::string(300, 'x').c_str(), folder, &cap, &ctx), 0);
}

TEST_F(DllOperations, ANewArchiveIsItsUsersAloneAndARetrievedFileHasItsFoldersRights) {
    // Wine keeps a list as far as the Unix permission bits show it: Everyone
    // reads every new file here, so its absence shows a private one.
    const std::string user = currentUserSid();
    ASSERT_FALSE(user.empty());
    std::string archive = daclOf(dir.file("DOC.fy"));
    EXPECT_NE(archive.find("(A;;FA;;;" + user + ")"), std::string::npos) << archive;
    EXPECT_EQ(archive.find(";WD)"), std::string::npos) << archive;
    // A private file retrieved over takes what the folder hands a new file.
    writeFile(dir.file("new.txt"), Bytes{'n'});
    ASSERT_NE(daclOf(dir.file("new.txt")), daclOf(dir.file("DOC.fy")));
    writeFile(dir.file("FY#OUT.tmp"), Bytes{'o'});
    PSECURITY_DESCRIPTOR mine = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(("D:P(A;;FA;;;" + user + ")").c_str(),
                                                                     SDDL_REVISION_1, &mine, nullptr));
    HANDLE out = CreateFileA(dir.file("FY#OUT.tmp").c_str(), WRITE_DAC, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(SetKernelObjectSecurity(out, DACL_SECURITY_INFORMATION, mine));
    CloseHandle(out);
    LocalFree(mine);
    ASSERT_EQ(daclOf(dir.file("FY#OUT.tmp")).find(";WD)"), std::string::npos);
    EXPECT_EQ(retrieve(1), textOf(1, 20000));
    EXPECT_EQ(daclOf(dir.file("FY#OUT.tmp")), daclOf(dir.file("new.txt")));
}

}  // namespace
}  // namespace dlltest
