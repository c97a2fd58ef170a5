// The exported operations natively (the record layout: the DLL's own
// tests): paths, argument checks and the lease given back after each.
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

#include "change_lock.h"
#include "temp_folder.h"
#include "store_api.h"

namespace fenn {
namespace {

using Bytes = std::vector<uint8_t>;

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TempFolder::write(dir.file("FY1A2B.tmp"), Bytes{'v', '1'});
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", "A$DOC.fy", folder, folder, "carol", "", "", 1, 0, 0, 7, 7, 0, 1,
                                     0), 0);
    }
    int32_t lock() { return StoreSetLock("FY1A2B.tmp", "A$DOC.fy", folder, folder, "carol", 1, 0, &ctx); }

    TempFolder dir;
    const char* folder = dir.path().c_str();
    StoreContext ctx = {};
};

TEST_F(ExportsTest, BadArgumentsAndLongPathsFailWithoutHarmAndGiveTheLeaseBack) {
    std::string longName(300, 'n');
    std::string nearly(259 - dir.path().size(), 'n');  // joined: exactly 260 bytes
    int32_t cap = 0;
    ArchiveHeader h = {};
    StoreHeaderHandle handle = 0;
    // Statuses: 1 bad argument, 2 path too long, 3 not found.
    struct Case {
        const char* what;
        int32_t status;
        std::function<int32_t()> call;
    } refused[] = {
        {"no cap pointer", 1, [&] { return StoreGetMaxTemp("A$DOC.fy", folder, nullptr, &ctx); }},
        {"long name", 2, [&] { return StoreGetMaxTemp(longName.c_str(), folder, &cap, &ctx); }},
        {"260 bytes", 2, [&] { return StoreGetMaxTemp(nearly.c_str(), folder, &cap, &ctx); }},
        {"no name", 2, [&] { return StoreGetMaxTemp(nullptr, folder, &cap, &ctx); }},
        {"no header", 1, [&] { return StoreReadHeader(nullptr, nullptr, nullptr); }},
        {"no archive", 3, [&] { return StoreReadHeader(dir.file("missing.fy").c_str(), &h, &handle); }},
        {"release 0", 1, [&] { return StoreReleaseHeader(0); }},
        {"lock none", 3, [&] { return StoreSetLock("x", "none.fy", folder, folder, "", 1, 0, nullptr); }},
        {"not newer", 3, [&] { return -StoreIsWorkingNewer("nothing.txt", "A$DOC.fy", folder, folder); }},
    };
    for (const Case& c : refused) EXPECT_EQ(c.call(), c.status) << c.what;
    EXPECT_EQ(h.entries, nullptr);
    // Refused changes under the lease the module took for them give it back.
    Case changes[] = {
        {"permanent 0", 1, [&] { return StoreSetPermanent("A$DOC.fy", folder, "", "", 0, 1, &ctx); }},
        {"cap 0", 1, [&] { return StoreSetMaxTemp("A$DOC.fy", folder, "", 0, nullptr); }},
        {"delete 0", 1, [&] { return StoreDeleteVersion("A$DOC.fy", folder, "", "", 0, 0, &ctx); }},
        {"long source", 2, [&] {
             return StoreAddVersion(longName.c_str(), "A$DOC.fy", folder, folder, "", "", "", 0, 0, 0, 0, 0, &ctx);
         }},
    };
    for (const Case& c : changes) {
        ASSERT_EQ(lock(), 0);
        EXPECT_EQ(c.call(), c.status) << c.what;
        EXPECT_FALSE(LeaseTable::holds(dir.file("A$DOC.fy"))) << c.what;
    }
}

TEST_F(ExportsTest, ArchiveOfTheLongestPathIsBuiltAsideWithinTheLimitForItsUserAlone) {
    // 259 bytes, the longest archive path there is: the scratch file it is
    // built in must not need a longer one; nor under a one-character name.
    // Until the module gives it its file's rights, it is its user's alone.
    std::string name = "LONG$NAME.fy";
    std::string longFolder = dir.file(std::string(259 - 1 - name.size() - dir.path().size() - 1, 'f'));
    ASSERT_EQ(mkdir(longFolder.c_str(), 0700), 0);
    for (const char* archive : {name.c_str(), "Z"}) {
        ASSERT_EQ(StoreCreateArchive("FY1A2B.tmp", archive, folder, longFolder.c_str(), "carol", "", "", 0, 0, 0, 5,
                                     5, 0, 0, 0), 0) << archive;
        ArchiveHeader h = {};
        StoreHeaderHandle handle = 0;
        ASSERT_EQ(StoreReadHeader((longFolder + "/" + archive).c_str(), &h, &handle), 0) << archive;
        EXPECT_EQ(h.count, 1);
        EXPECT_EQ(StoreReleaseHeader(handle), 0);
        struct stat st;
        ASSERT_EQ(stat((longFolder + "/" + archive).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 077, 0u);
    }
}

}  // namespace
}  // namespace fenn
