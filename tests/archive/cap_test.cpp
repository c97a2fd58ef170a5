// The cap of temporary versions: reading, setting, counting, and changing it
// with its checks and messages.
#include "archive_fixture.h"

namespace fytest {
namespace {

class TempCap : public ArchiveTest {
protected:
    // Cap 10, temporary versions 1 to 5 and a permanent 6.
    void SetUp() override
    {
        CreateArchive(archive_, 10);
        for (int i = 2; i <= 5; ++i)
            SaveVersion(archive_, "v" + std::to_string(i));
        SaveVersion(archive_, "v6 kept", 1);
    }

    ArchiveFile archive_{MakeFile("capped.txt", "v1").c_str()};
};

TEST_F(TempCap, CapIsReadRaisedWithoutAQuestionAndKeptWhenSaving)
{
    EXPECT_EQ(archive_.CountTemporaryVersions(), 5);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 10);
    ArchiveFile none(MakeFile("nothing.txt", "x").c_str());
    EXPECT_EQ(none.GetMaxTempVersions(), 10) << "when the store cannot tell";
    EXPECT_EQ(none.CountTemporaryVersions(), -1);
    {
        NoMessageBoxes noBox;
        EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "5"), 1) << "equal to the temporaries";
        EXPECT_EQ(archive_.GetMaxTempVersions(), 5);
        EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, " 32767 "), 1);
        EXPECT_EQ(archive_.GetMaxTempVersions(), 32767);
    }
    EXPECT_EQ(archive_.CountVersions(), 6) << "no version goes while the cap is not exceeded";
    ASSERT_TRUE(archive_.SetMaxTempVersions(5));
    SaveVersion(archive_, "v7");
    EXPECT_EQ(Numbers(archive_), (std::vector<int>{2, 3, 4, 5, 6, 7})) << "the oldest temporary went";
}

// Numbers out of range are refused before the warning (even 0, below the five
// temporaries); lowering below them warns: Cancel keeps, OK trims.
TEST_F(TempCap, BadNumbersAreRefusedAndLoweringWarnsFirst)
{
    MessageBoxAnswerer answerer({IDOK, IDOK, IDCANCEL, IDOK});
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "0"), 0);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "abc"), 0);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "3"), 0);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 10);
    EXPECT_EQ(archive_.CountVersions(), 6);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "3"), 1);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 3);
    EXPECT_EQ(Numbers(archive_), (std::vector<int>{3, 4, 5, 6})) << "the permanent version stays";
    EXPECT_EQ(archive_.IsPermanent(6), 1);
    EXPECT_EQ(Retrieved(archive_, 5), "v5");

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (int i : {0, 1})
        ExpectBox(boxes[i], "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop);
    for (int i : {2, 3})
        ExpectBox(boxes[i],
                  "Warning!  The number of temporary versions exceeds the maximum you have chosen.  "
                  "One or more versions will be deleted.",
                  {IDOK, IDCANCEL}, BoxIcon::Warning);
}

TEST(TempCapText, OnlyWholeNumbersFromOneTo32767)
{
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"32767", 32767}, {"007", 7}, {"\t12 ", 12}, {"0", -1}, {"32768", -1}, {"-3", -1},
        {"99999999999999999999", -1},   // no overflow into range
        {"4294967297", -1}, {"1 2", -1}, {"5x", -1}, {"+5", -1}, {"2.5", -1}, {"   ", -1}, {"", -1},
    };
    for (const auto& [typed, value] : cases)
        EXPECT_EQ(ArchiveFile::ParseMaxTempVersions(typed), value) << "'" << typed << "'";
    EXPECT_EQ(ArchiveFile::ParseMaxTempVersions(nullptr), -1);
}

}  // namespace
}  // namespace fytest
