// The exported operations natively (the record layout: the DLL's own
// tests): paths, argument checks and the lease given back after each.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/stat.h>

#include "change_lock.h"
#include "corpus.h"
#include "posix_temp_dir.h"
#include "store_api.h"

namespace fenn {
namespace {

using Bytes = std::vector<uint8_t>;

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        PosixTempDir::write(dir.file("FY1A2B.tmp"), Bytes{'v', '1'});
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "A$DOC.fy", folder, folder, "carol", "", "", 1, 0, 0, 7, 7, 0, 1,
                                     0), 0);
    }
    int32_t lock() { return StoreSetLock("FY1A2B.tmp", "A$DOC.fy", folder, folder, "carol", 1, 0, &ctx); }
    int32_t addVersion(const Bytes& content, const char* comment) {
        PosixTempDir::write(dir.file("FY1A2B.tmp"), content);
        if (lock() != 0) return -1;
        return StoreAddVersion("FY1A2B.tmp", "A$DOC.fy", folder, folder, "carol", comment, "", 0, 0, 0, 0, 0, &ctx);
    }
    int32_t readHeader(ArchiveHeader* h, const std::string& path) {
        std::memset(h, 0, sizeof *h);
        StoreHeaderHandle handle = 0;
        int32_t s = StoreReadHeader(path.c_str(), h, &handle);
        if (s == 0) {
            EXPECT_EQ(StoreReleaseHeader(handle), 0);
        }
        return s;
    }

    PosixTempDir dir;
    const char* folder = dir.path().c_str();
    StoreContext ctx = {};
};

TEST_F(ExportsTest, ANewArchiveIsItsUsersAloneAndARetrieveReplacesALongerFile) {
    struct stat st;
    ASSERT_EQ(stat(dir.file("A$DOC.fy").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);  // until the module gives it its file's rights
    Bytes doc = Corpus(3).text(40000);
    ASSERT_EQ(addVersion(doc, "doc"), 0);
    PosixTempDir::write(dir.file("FY#1.tmp"), Bytes(100000, 'z'));
    ASSERT_EQ(StoreRetrieveVersion("FY#1.tmp", "A$DOC.fy", folder, folder, "carol", "", 2, 2, 0, 1, &ctx), 0);
    EXPECT_EQ(PosixTempDir::read(dir.file("FY#1.tmp")), doc);
}

TEST_F(ExportsTest, BadArgumentsAndLongPathsFailWithoutHarmAndGiveTheLeaseBack) {
    std::string longName(300, 'n');
    std::string nearly(259 - dir.path().size(), 'n');  // joined: exactly 260 bytes
    int32_t cap = 0;
    ArchiveHeader h = {};
    StoreHeaderHandle handle = 0;
    struct Case {
        const char* what;
        std::function<int32_t()> call;
    } refused[] = {
        {"no cap pointer", [&] { return StoreGetMaxTemp("A$DOC.fy", folder, nullptr, &ctx); }},
        {"long name", [&] { return StoreGetMaxTemp(longName.c_str(), folder, &cap, &ctx); }},
        {"260 bytes", [&] { return StoreGetMaxTemp(nearly.c_str(), folder, &cap, &ctx); }},
        {"no name", [&] { return StoreGetMaxTemp(nullptr, folder, &cap, &ctx); }},
        {"no header", [&] { return StoreReadHeader(nullptr, nullptr, nullptr); }},
        {"no archive", [&] { return StoreReadHeader(dir.file("missing.fy").c_str(), &h, &handle); }},
        {"release 0", [&] { return StoreReleaseHeader(0); }},
        {"lock none", [&] { return StoreSetLock("x", "none.fy", folder, folder, "", 1, 0, nullptr); }},
        {"not newer", [&] { return -StoreIsWorkingNewer("nothing.txt", "A$DOC.fy", folder, folder); }},
    };
    for (const Case& c : refused) EXPECT_GT(c.call(), 0) << c.what;
    EXPECT_EQ(h.entries, nullptr);
    // Refused changes under the lease the module took for them give it back.
    Case changes[] = {
        {"permanent 0", [&] { return StoreSetPermanent("A$DOC.fy", folder, "", "", 0, 1, &ctx); }},
        {"cap 0", [&] { return StoreSetMaxTemp("A$DOC.fy", folder, "", 0, nullptr); }},
        {"delete 0", [&] { return StoreDeleteVersion("A$DOC.fy", folder, "", "", 0, 0, &ctx); }},
        {"long source", [&] {
             return StoreAddVersion(longName.c_str(), "A$DOC.fy", folder, folder, "", "", "", 0, 0, 0, 0, 0, &ctx);
         }},
    };
    for (const Case& c : changes) {
        ASSERT_EQ(lock(), 0);
        EXPECT_GT(c.call(), 0) << c.what;
        EXPECT_FALSE(LeaseTable::holds(dir.file("A$DOC.fy"))) << c.what;
    }
}

TEST_F(ExportsTest, LockingAFileThatIsNoArchiveLeavesItUntouched) {
    // The lease record lives inside the archive; a foreign file at the
    // archive's path, long or short, must come out byte for byte as it was.
    for (const Bytes& foreign : {Bytes(400, 'x'), Bytes{'a'}}) {
        PosixTempDir::write(dir.file("B$TXT.fy"), foreign);
        EXPECT_NE(StoreSetLock("FY1A2B.tmp", "B$TXT.fy", folder, folder, "carol", 1, 0, &ctx), 0);
        EXPECT_EQ(PosixTempDir::read(dir.file("B$TXT.fy")), foreign);
    }
}

TEST_F(ExportsTest, ArchiveOfTheLongestPathIsBuiltAsideWithinTheLimit) {
    // 259 bytes, the longest archive path there is: the scratch file it is
    // built in must not need a longer one; nor under a one-character name.
    std::string name = "LONG$NAME.fy";
    std::string longFolder = dir.file(std::string(259 - 1 - name.size() - dir.path().size() - 1, 'f'));
    ASSERT_EQ(mkdir(longFolder.c_str(), 0700), 0);
    for (const char* archive : {name.c_str(), "Z"}) {
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", archive, folder, longFolder.c_str(), "carol", "", "", 0, 0, 0, 5,
                                     5, 0, 0, 0), 0) << archive;
        ArchiveHeader h;
        ASSERT_EQ(readHeader(&h, longFolder + "/" + archive), 0) << archive;
        EXPECT_EQ(h.count, 1);
    }
}

}  // namespace
}  // namespace fenn
