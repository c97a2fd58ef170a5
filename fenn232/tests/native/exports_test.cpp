// The exported operations as the module calls them, natively: record
// layout, the entry array's lifetime, paths and argument checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "corpus.h"
#include "posix_temp_dir.h"
#include "store_api.h"

namespace fenn {
namespace {

using Bytes = std::vector<uint8_t>;

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = dir.path();
        PosixTempDir::write(dir.file("FY1A2B.tmp"), Bytes{'v', '1'});
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "A$DOC.fy", folder.c_str(), folder.c_str(), "carol", "", "",
                                     1, 0, 0, 7, 7, 0, 1, 0), 0);
    }
    int32_t addVersion(const Bytes& content, const char* comment, int32_t permanent = 0) {
        PosixTempDir::write(dir.file("FY1A2B.tmp"), content);
        if (StoreSetLock("FY1A2B.tmp", "A$DOC.fy", folder.c_str(), folder.c_str(), "carol", 1, 0, &ctx) != 0)
            return -1;
        return StoreAddVersion("FY1A2B.tmp", "A$DOC.fy", folder.c_str(), folder.c_str(), "carol", comment, "",
                               permanent, 0, 0, 0, 0, &ctx);
    }
    int32_t readHeader(ArchiveHeader* h, const std::string& path = "") {
        std::memset(h, 0, sizeof *h);
        StoreHeaderHandle handle = 0;
        int32_t s = StoreReadHeader((path.empty() ? dir.file("A$DOC.fy") : path).c_str(), h, &handle);
        if (s == 0) {
            EXPECT_EQ(StoreReleaseHeader(handle), 0);
        }
        return s;
    }

    PosixTempDir dir;
    std::string folder;
    StoreContext ctx = {};
};

TEST_F(ExportsTest, HeaderAndEntriesCarryWhatTheModuleReadsAndOutliveRelease) {
    ArchiveHeader h;
    ASSERT_EQ(readHeader(&h), 0);
    VersionEntry* first = h.entries;
    ASSERT_EQ(readHeader(&h), 0);
    EXPECT_EQ(h.entries, first);  // unchanged archive: the same array
    ASSERT_EQ(addVersion(Bytes{'v', '2'}, "second", 0), 0);
    ASSERT_EQ(readHeader(&h), 0);
    EXPECT_EQ(first[0].number, 1);  // the older array is still readable
    EXPECT_EQ(h.count, 2);
    EXPECT_EQ(h.counter, 2);
    EXPECT_EQ(h.compressed, 1);
    ASSERT_NE(h.entries, nullptr);
    EXPECT_EQ(h.entries[0].number, 1);
    EXPECT_EQ(h.entries[0].permanent, 1);
    EXPECT_STREQ(h.entries[0].user, "carol");
    EXPECT_EQ(h.entries[1].number, 2);
    EXPECT_EQ(h.entries[1].permanent, 0);
    EXPECT_STREQ(h.entries[1].comment, "second");
    EXPECT_GE(h.entries[1].stamp >> 25, 44u);  // 2024 or later
    int32_t cap = 0;
    ASSERT_EQ(StoreGetMaxTemp("A$DOC.fy", folder.c_str(), &cap, &ctx), 0);
    EXPECT_EQ(cap, 7);
}

TEST_F(ExportsTest, RetrieveOverwritesAnExistingFile) {
    Bytes doc = Corpus(3).text(40000);
    ASSERT_EQ(addVersion(doc, "doc"), 0);
    PosixTempDir::write(dir.file("FY#1.tmp"), Bytes(100000, 'z'));
    ASSERT_EQ(StoreRetrieveVersion("FY#1.tmp", "A$DOC.fy", folder.c_str(), folder.c_str(), "carol", "", 2, 2, 0,
                                   1, &ctx), 0);
    EXPECT_EQ(PosixTempDir::read(dir.file("FY#1.tmp")), doc);
    EXPECT_NE(StoreRetrieveVersion("FY#1.tmp", "A$DOC.fy", folder.c_str(), folder.c_str(), "carol", "", 9, 2, 0,
                                   1, &ctx), 0);
}

TEST_F(ExportsTest, BadArgumentsAndLongPathsFailWithoutHarm) {
    std::string longName(300, 'n');
    std::string nearly(259 - folder.size() - 1 + 1, 'n');  // joined: exactly 260 bytes
    EXPECT_NE(StoreGetMaxTemp(longName.c_str(), folder.c_str(), nullptr, &ctx), 0);
    int32_t cap = 0;
    EXPECT_NE(StoreGetMaxTemp(longName.c_str(), folder.c_str(), &cap, &ctx), 0);
    EXPECT_NE(StoreGetMaxTemp(nearly.c_str(), folder.c_str(), &cap, &ctx), 0);
    EXPECT_NE(StoreGetMaxTemp(nullptr, folder.c_str(), &cap, &ctx), 0);
    EXPECT_NE(StoreReadHeader(nullptr, nullptr, nullptr), 0);
    ArchiveHeader h = {};
    StoreHeaderHandle handle = 0;
    EXPECT_NE(StoreReadHeader(dir.file("missing.fy").c_str(), &h, &handle), 0);
    EXPECT_EQ(h.entries, nullptr);
    EXPECT_NE(StoreReleaseHeader(0), 0);
    EXPECT_NE(StoreSetPermanent("A$DOC.fy", folder.c_str(), "", "", 0, 1, &ctx), 0);
    EXPECT_NE(StoreSetMaxTemp("A$DOC.fy", folder.c_str(), "", 0, nullptr), 0);
    EXPECT_LT(StoreIsWorkingNewer("nothing.txt", "A$DOC.fy", folder.c_str(), folder.c_str()), 0);
    EXPECT_NE(StoreSetLock("x", "none.fy", folder.c_str(), folder.c_str(), "", 1, 0, nullptr), 0);
}

TEST_F(ExportsTest, LockingAFileThatIsNoArchiveLeavesItUntouched) {
    // The lease record lives inside the archive; a foreign file at the
    // archive's path, long or short, must come out byte for byte as it was.
    Bytes text(400, 'x');
    Bytes tiny{'a'};
    PosixTempDir::write(dir.file("B$TXT.fy"), text);
    PosixTempDir::write(dir.file("C$TXT.fy"), tiny);
    EXPECT_NE(StoreSetLock("FY1A2B.tmp", "B$TXT.fy", folder.c_str(), folder.c_str(), "carol", 1, 0, &ctx), 0);
    EXPECT_NE(StoreSetLock("FY1A2B.tmp", "C$TXT.fy", folder.c_str(), folder.c_str(), "carol", 1, 0, &ctx), 0);
    EXPECT_EQ(PosixTempDir::read(dir.file("B$TXT.fy")), text);
    EXPECT_EQ(PosixTempDir::read(dir.file("C$TXT.fy")), tiny);
}

TEST_F(ExportsTest, ArchiveOfTheLongestPathIsBuiltAsideWithinTheLimit) {
    // 259 bytes, the longest archive path there is: the scratch file it is
    // built in must not need a longer one.
    std::string name = "LONG$NAME.fy";
    std::string longFolder = folder + "/" + std::string(259 - 1 - name.size() - folder.size() - 1, 'f');
    ASSERT_EQ(longFolder.size() + 1 + name.size(), 259u);
    ASSERT_EQ(std::system(("mkdir '" + longFolder + "'").c_str()), 0);
    ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", name.c_str(), folder.c_str(), longFolder.c_str(), "carol", "", "",
                                 0, 0, 0, 5, 5, 0, 0, 0), 0);
    ArchiveHeader h;
    ASSERT_EQ(readHeader(&h, longFolder + "/" + name), 0);
    EXPECT_EQ(h.count, 1);
    // A second create under a one-character name in the same folder works
    // too: its scratch name shrinks with it.
    ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "Z", folder.c_str(), longFolder.c_str(), "carol", "", "", 0, 0, 0,
                                 5, 5, 0, 0, 0), 0);
}

}  // namespace
}  // namespace fenn
