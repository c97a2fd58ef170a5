// Pinning, reading back and deleting versions.
#include "archive_fixture.h"

namespace fytest {
namespace {

class Versions : public ArchiveTest {
protected:
    // report.doc with versions 1 (temporary), 2 (permanent), 3 (temporary).
    void SetUp() override
    {
        CreateArchive(archive_);
        SaveVersion(archive_, "two", 1);
        SaveVersion(archive_, "three");
    }

    ArchiveFile archive_{MakeFile("report.doc", "one").c_str()};
};

TEST_F(Versions, FlagIsSetAndClearedAndUnknownVersionsGiveNothing)
{
    EXPECT_EQ(archive_.IsPermanent(1), 0);
    EXPECT_EQ(archive_.IsPermanent(2), 1);
    EXPECT_TRUE(archive_.SetPermanent(1, 1));
    EXPECT_TRUE(archive_.SetPermanent(2, 0));
    EXPECT_EQ(archive_.IsPermanent(1), 1);
    EXPECT_EQ(archive_.IsPermanent(2), 0);
    EXPECT_EQ(archive_.CountTemporaryVersions(), 2);
    EXPECT_EQ(archive_.IsPermanent(9), 0);
    EXPECT_FALSE(archive_.SetPermanent(9, 1));
    std::string out = scratch_ / "missing.out";
    EXPECT_NE(archive_.RetrieveVersion(out.c_str(), 7), 0);
    EXPECT_FALSE(PathExists(out));
    EXPECT_NE(archive_.RetrieveVersion((scratch_.Path() + "\\" + std::string(300, 'n')).c_str(), 1), 0);

    EXPECT_EQ(archive_.DeleteArchive(), 1);
    EXPECT_FALSE(archive_.Exists());
    EXPECT_EQ(archive_.DeleteArchive(), 1) << "also when none is there";
}

// Only a permanent version asks; the last version takes the archive along.
TEST_F(Versions, DeletingAsksOnlyForPermanentVersionsAndEachAnswerDoesWhatItSays)
{
    {
        NoMessageBoxes noBox;
        EXPECT_EQ(archive_.DeleteVersion(8), 0) << "one not there stops the caller";
        EXPECT_EQ(archive_.DeleteVersion(3), 1);
        EXPECT_EQ(Retrieved(archive_, 2), "two");
        EXPECT_EQ(archive_.DeleteVersion(1), 1);
        EXPECT_EQ(archive_.CountVersions(), 1);
    }
    MessageBoxAnswerer answerer({IDNO, IDCANCEL, IDYES});
    EXPECT_EQ(archive_.DeleteVersion(2), 1) << "No: keep it and go on with the next";
    EXPECT_EQ(archive_.CountVersions(), 1);
    EXPECT_EQ(archive_.DeleteVersion(2), 0) << "Cancel: stop";
    EXPECT_EQ(archive_.IsPermanent(2), 1);
    EXPECT_EQ(archive_.DeleteVersion(2), 1);
    ASSERT_EQ(answerer.Boxes().size(), 3u);
    for (const auto& box : answerer.Boxes())
        ExpectBox(box, "Version 2 of file report.doc is a permanent version!  Are you sure you really want to delete it?",
                  {IDYES, IDNO, IDCANCEL}, BoxIcon::Question);
    EXPECT_FALSE(ArchiveFile(archive_.workingPath).Exists());
    EXPECT_EQ(ReadFileText(archive_.workingPath), "three");
}

// Retrieving or deleting from a damaged archive says so and changes nothing.
TEST_F(Versions, DamagedArchiveIsReportedAndTheTargetKept)
{
    const std::string bytes = Damage(archive_);
    std::string out = MakeFile("kept.out", "precious");
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_NE(archive_.RetrieveVersion(out.c_str(), 1), 0);
    EXPECT_EQ(archive_.DeleteVersion(1), 0);
    ASSERT_EQ(answerer.Boxes().size(), 2u);
    for (const auto& box : answerer.Boxes())
        ExpectBox(box, DamagedText(archive_), {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(ReadFileText(out), "precious");
    EXPECT_EQ(ReadFileText(archive_.workingPath), "three");
    EXPECT_EQ(ReadFileText(archive_.archivePath), bytes);
}

}  // namespace
}  // namespace fytest
