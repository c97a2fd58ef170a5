// Reading back, pinning and deleting versions.
#include "archive_fixture.h"

using fytest::ArchiveTest;
using fytest::BinaryBytes;
using fytest::BoxIcon;
using fytest::MessageBoxAnswerer;
using fytest::PathExists;
using fytest::ReadFileText;

using Retrieval = ArchiveTest;

TEST_F(Retrieval, WritesExactlyTheSavedBytesOverAnExistingFile)
{
    std::string big = BinaryBytes(5 * 1024 * 1024 + 3, 11);
    ArchiveFile archive(MakeFile("image.bin", big).c_str());
    CreateArchive(archive);
    SaveVersion(archive, std::string("\0\r\n\x1A\xFF", 5));

    std::string out = MakeFile("out.bin", std::string(8 * 1024 * 1024, 'z'));
    ASSERT_EQ(archive.RetrieveVersion(out.c_str(), 1), 0);
    EXPECT_TRUE(ReadFileText(out) == big) << "version 1 differs";
    ASSERT_EQ(archive.RetrieveVersion(out.c_str(), 2), 0);
    EXPECT_EQ(ReadFileText(out), std::string("\0\r\n\x1A\xFF", 5));
}

TEST_F(Retrieval, MissingVersionOrOverLongPathWritesNothing)
{
    ArchiveFile archive(MakeFile("r.txt", "r").c_str());
    CreateArchive(archive);
    std::string out = scratch_ / "missing.out";
    EXPECT_NE(archive.RetrieveVersion(out.c_str(), 7), 0);
    EXPECT_FALSE(PathExists(out));
    std::string tooLong = scratch_.Path() + "\\" + std::string(300, 'n');
    EXPECT_NE(archive.RetrieveVersion(tooLong.c_str(), 1), 0);
}

// Reading or deleting from a damaged archive says so, and the file and any
// existing target are left as they were.
TEST_F(Retrieval, DamagedArchiveIsReportedAndTheTargetKept)
{
    std::string path = MakeFile("d.txt", "one");
    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    SaveVersion(archive, "two, longer");
    std::string bytes = ReadFileText(archive.archivePath);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    fytest::WriteFileText(archive.archivePath, bytes);
    const std::string damaged = path + "\nThe archive of this file is damaged:\n" + archive.archivePath +
                                "\n\nNothing was changed.";

    std::string out = MakeFile("kept.out", "precious");
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_NE(archive.RetrieveVersion(out.c_str(), 1), 0);
    EXPECT_EQ(archive.DeleteVersion(1), 0);
    ASSERT_EQ(answerer.Boxes().size(), 2u);
    EXPECT_EQ(answerer.Boxes()[0].text, damaged);
    EXPECT_EQ(answerer.Boxes()[1].text, damaged);
    EXPECT_EQ(ReadFileText(out), "precious");
    EXPECT_EQ(ReadFileText(path), "two, longer");
    EXPECT_EQ(ReadFileText(archive.archivePath), bytes);
}

using PermanentFlag = ArchiveTest;

TEST_F(PermanentFlag, IsSetClearedAndReadBack)
{
    ArchiveFile archive(MakeFile("p.txt", "p1").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "p2", 1);
    EXPECT_EQ(archive.IsPermanent(1), 0);
    EXPECT_EQ(archive.IsPermanent(2), 1);
    EXPECT_TRUE(archive.SetPermanent(1, 1));
    EXPECT_TRUE(archive.SetPermanent(2, 0));
    EXPECT_EQ(archive.IsPermanent(1), 1);
    EXPECT_EQ(archive.IsPermanent(2), 0);
    EXPECT_EQ(archive.CountTemporaryVersions(), 1);
    EXPECT_EQ(archive.IsPermanent(9), 0) << "unknown version";
    EXPECT_FALSE(archive.SetPermanent(9, 1));
}

class DeletingVersions : public ArchiveTest {
protected:
    // Versions 1 (temporary), 2 (permanent), 3 (temporary).
    void SetUp() override
    {
        archive_ = std::make_unique<ArchiveFile>(MakeFile("report.doc", "one").c_str());
        CreateArchive(*archive_);
        SaveVersion(*archive_, "two", 1);
        SaveVersion(*archive_, "three");
    }

    std::string PermanentQuestion(int version)
    {
        return "Version " + std::to_string(version) + " of file report.doc is a permanent version!  "
               "Are you sure you really want to delete it?";
    }

    std::unique_ptr<ArchiveFile> archive_;
};

TEST_F(DeletingVersions, TemporaryVersionGoesWithoutAQuestionAndOneNotThereStopsTheCaller)
{
    fytest::NoMessageBoxes noBox;
    EXPECT_EQ(archive_->DeleteVersion(8), 0);
    EXPECT_EQ(archive_->CountVersions(), 3);
    EXPECT_EQ(archive_->DeleteVersion(3), 1);
    EXPECT_EQ(archive_->CountVersions(), 2);
    EXPECT_EQ(Retrieved(*archive_, 2), "two");
}

TEST_F(DeletingVersions, PermanentVersionAsksAndEachAnswerDoesWhatItSays)
{
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(archive_->DeleteVersion(2), 1) << "No: keep it and go on with the next";
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        fytest::ExpectBox(answerer.Boxes()[0], PermanentQuestion(2), {IDYES, IDNO, IDCANCEL}, BoxIcon::Question);
    }
    EXPECT_EQ(archive_->CountVersions(), 3);
    {
        MessageBoxAnswerer answerer({IDCANCEL});
        EXPECT_EQ(archive_->DeleteVersion(2), 0) << "Cancel: stop";
        ASSERT_EQ(answerer.Boxes().size(), 1u);
    }
    EXPECT_EQ(archive_->CountVersions(), 3);
    EXPECT_EQ(archive_->IsPermanent(2), 1);
    {
        MessageBoxAnswerer answerer({IDYES});
        EXPECT_EQ(archive_->DeleteVersion(2), 1);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
    }
    EXPECT_EQ(archive_->CountVersions(), 2);
    VersionItem* items = nullptr;
    ASSERT_EQ(archive_->ListVersions(&items), 2);
    EXPECT_EQ(items[0].number, 1);
    EXPECT_EQ(items[1].number, 3);
    delete[] items;
}

TEST_F(DeletingVersions, LastVersionTakesTheArchiveWithIt)
{
    ASSERT_EQ(archive_->DeleteVersion(1), 1);
    ASSERT_EQ(archive_->DeleteVersion(3), 1);
    ASSERT_EQ(archive_->CountVersions(), 1);
    {
        MessageBoxAnswerer answerer({IDYES});
        EXPECT_EQ(archive_->DeleteVersion(2), 1);
        ASSERT_EQ(answerer.Boxes().size(), 1u) << "the last one is permanent: asked first";
    }
    EXPECT_FALSE(archive_->Exists());
    EXPECT_FALSE(ArchiveFile(archive_->workingPath).Exists());
    EXPECT_TRUE(PathExists(archive_->workingPath)) << "the working file stays";
}

TEST_F(DeletingVersions, DeleteArchiveRemovesTheFileAndSaysSoEvenWhenNoneIsThere)
{
    EXPECT_EQ(archive_->DeleteArchive(), 1);
    EXPECT_FALSE(archive_->Exists());
    EXPECT_EQ(archive_->DeleteArchive(), 1);
}
