// Moving and copying a working file with its archive.
#include "archive_fixture.h"

namespace fytest {
namespace {

class Relocation : public ArchiveTest {
protected:
    void SetUp() override
    {
        CreateDirectoryA(from_.c_str(), nullptr);
        CreateDirectoryA(to_.c_str(), nullptr);
        WriteFileText(from_ + "\\X.DOC", "one");
    }

    // from\X.DOC with versions "one" and "two".
    std::unique_ptr<ArchiveFile> MakeSource()
    {
        auto archive = std::make_unique<ArchiveFile>((from_ + "\\X.DOC").c_str());
        EXPECT_EQ(archive->CreateWithFirstVersion(0, 10, 0, 1), 0);
        WriteFileText(archive->workingPath, "two");
        EXPECT_EQ(archive->AddVersion("", 0), 1);
        return archive;
    }

    // The destination holds the source's file and both versions.
    void ExpectCarried(const std::string& dest)
    {
        EXPECT_EQ(ReadFileText(dest), "two");
        ArchiveFile there(dest.c_str());
        ASSERT_TRUE(there.Exists()) << dest;
        EXPECT_EQ(there.CountVersions(), 2);
        EXPECT_EQ(Retrieved(there, 1), "one");
    }

    std::string from_ = scratch_ / "from", to_ = scratch_ / "to";
};

// A copy leaves two independent pairs; a move takes the archive along.
TEST_F(Relocation, CopyLeavesTwoPairsAndMoveTakesTheArchiveAlong)
{
    auto source = MakeSource();
    std::string copy = to_ + "\\C.DOC";
    EXPECT_EQ(source->CopyTo(copy.c_str(), 1), 1);
    ExpectCarried(copy);
    WriteFileText(copy, "three");
    EXPECT_EQ(ArchiveFile(copy.c_str()).AddVersion("", 0), 1);
    EXPECT_EQ(ArchiveFile(copy.c_str()).CountVersions(), 3);
    EXPECT_EQ(source->CountVersions(), 2);

    SetFileAttributesA(source->workingPath, FILE_ATTRIBUTE_READONLY);
    std::string oldArchive = source->archivePath, dest = to_ + "\\X.DOC";
    EXPECT_EQ(source->MoveTo(dest.c_str(), 0), 1);
    ExpectCarried(dest);
    EXPECT_TRUE(ArchiveFile(dest.c_str()).LocalArchiveExists());
    EXPECT_FALSE(PathExists(source->workingPath));
    EXPECT_FALSE(PathExists(oldArchive));
    EXPECT_TRUE(GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Relocation, MoveWithACentralArchiveKeepsItThereUnderTheNewName)
{
    std::string central = scratch_ / "central";
    settings_.SetString("VersionsPath", central);
    auto source = MakeSource();
    ASSERT_STREQ(source->archiveFolder, central.c_str());
    std::string oldArchive = source->archivePath, dest = to_ + "\\Y.DOC";
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 1);
    ExpectCarried(dest);
    EXPECT_STREQ(ArchiveFile(dest.c_str()).archiveFolder, central.c_str());
    EXPECT_FALSE(ArchiveFile(dest.c_str()).LocalArchiveExists());
    EXPECT_FALSE(PathExists(oldArchive));
    EXPECT_FALSE(PathExists(source->workingPath));
}

// Asked about the file (ask 1), or with ask 0 about an archive left there.
TEST_F(Relocation, OntoAnExistingFileOrArchiveAsksAndEachAnswerDoesWhatItSays)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    WriteFileText(dest, "older file");
    MessageBoxAnswerer answerer({IDNO, IDCANCEL, IDNO, IDYES});
    EXPECT_EQ(source->CopyTo(dest.c_str(), 1), 1) << "No skips the file";
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0) << "Cancel";
    EXPECT_EQ(ReadFileText(dest), "older file");
    EXPECT_TRUE(PathExists(source->workingPath));

    ArchiveFile old(dest.c_str());
    ASSERT_EQ(old.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_EQ(source->CopyTo(dest.c_str(), 0), 1);
    EXPECT_EQ(ReadFileText(dest), "older file");
    EXPECT_EQ(old.CountVersions(), 1);
    EXPECT_EQ(source->MoveTo(dest.c_str(), 0), 1);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (int i : {0, 1})
        ExpectBox(boxes[i], dest + "\nThis file already exists.\n\nReplace existing file and all associated versions?",
                  {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    for (int i : {2, 3})
        ExpectBox(boxes[i],
                  dest + "\nAn archive for this file already exists in " + to_ + ".\n\nReplace existing archive?",
                  {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    ExpectCarried(dest);
    EXPECT_FALSE(PathExists(source->workingPath));
}

// A file without versions does not inherit those of a file it replaces.
TEST_F(Relocation, FileWithoutAnArchiveDoesNotInheritAReplacedHistory)
{
    std::string plain = from_ + "\\X.DOC", dest = to_ + "\\PLAIN.TXT";
    WriteFileText(dest, "old");
    ASSERT_EQ(ArchiveFile(dest.c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    {
        MessageBoxAnswerer answerer({IDYES});
        EXPECT_EQ(ArchiveFile(plain.c_str()).MoveTo(dest.c_str(), 1), 1);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
    }
    EXPECT_EQ(ReadFileText(dest), "one");
    EXPECT_FALSE(PathExists(plain));
    EXPECT_FALSE(ArchiveFile(dest.c_str()).Exists()) << "the replaced file's versions went with it";
    WriteFileText(plain, "again");
    {
        NoMessageBoxes noBox;
        EXPECT_EQ(ArchiveFile(plain.c_str()).CopyTo((to_ + "\\NEW.TXT").c_str(), 1), 1);
    }
    EXPECT_EQ(ReadFileText(to_ + "\\NEW.TXT"), "again");

    // Archives in the central folder and beside: only the one the question named goes.
    std::string central = scratch_ / "central", target = to_ + "\\TWICE.TXT";
    settings_.SetString("VersionsPath", central);
    WriteFileText(target, "old");
    ASSERT_EQ(ArchiveFile(target.c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    ASSERT_EQ(ArchiveFile(target.c_str()).CreateWithFirstVersion(0, 10, 0, 0), 0);
    std::string name = ArchiveFile(target.c_str()).archiveName;
    DeleteFileA(target.c_str());
    MessageBoxAnswerer named({IDYES});
    EXPECT_EQ(ArchiveFile(plain.c_str()).MoveTo(target.c_str(), 1), 1);
    ASSERT_EQ(named.Boxes().size(), 1u);
    EXPECT_EQ(named.Boxes()[0].text,
              target + "\nAn archive for this file already exists in " + central + ".\n\nReplace existing archive?");
    EXPECT_FALSE(PathExists(central + "\\" + name));
    EXPECT_TRUE(PathExists(to_ + "\\" + name)) << "an archive the question did not name stays";
}

// A missing folder, or the file itself under another spelling (its own copy
// would empty it): said so, nothing deleted.
TEST_F(Relocation, FailedCopyOrMoveSaysSoAndDeletesNothing)
{
    auto source = MakeSource();
    std::string missing = scratch_ / "nowhere";
    char shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(source->workingPath, shortPath, sizeof(shortPath)), 0u);
    MappedDrive drive('F', from_);
    ASSERT_TRUE(drive.Mapped()) << "the bench needs a drive letter mapped onto the source folder";
    MessageBoxAnswerer answerer({IDOK, IDOK, IDOK, IDOK, IDOK});
    EXPECT_EQ(source->CopyTo((missing + "\\X.DOC").c_str(), 1), 0);
    EXPECT_EQ(source->MoveTo((missing + "\\X.DOC").c_str(), 1), 0);
    for (std::string spelling : {std::string(source->workingPath), std::string(shortPath), std::string("F:\\x.doc")})
        EXPECT_EQ(source->MoveTo(spelling.c_str(), 1), 0) << spelling;
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 5u);
    ExpectBox(boxes[0], "Error!  The file X.DOC could not be copied to " + missing + "!", {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(boxes[1].text, "Error!  The file X.DOC could not be moved to " + missing + "!");
    EXPECT_EQ(boxes[2].text, "Error!  The file X.DOC could not be moved to " + from_ + "!");
    EXPECT_EQ(boxes[4].text, "Error!  The file x.doc could not be moved to F:!");
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2);
}

// A source held open stays with its archive; damage travels as it is to a drive root.
TEST_F(Relocation, SourceThatCannotBeRemovedKeepsItsArchiveAndDamageTravelsAsItIs)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    HANDLE holder = CreateFileA(source->workingPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ExpectOneBoxFrom([&] { EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0); },
                     "X.DOC was moved to " + to_ + ", but " + source->workingPath + " could not be removed.",
                     BoxIcon::Warning);
    CloseHandle(holder);
    ExpectCarried(dest);
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2) << "the file stayed, so its archive stayed";

    const std::string bytes = Damage(*source);
    std::string root = scratch_ / "root";
    CreateDirectoryA(root.c_str(), nullptr);
    MappedDrive drive('G', root);
    ASSERT_TRUE(drive.Mapped()) << "the bench needs a drive letter mapped onto a scratch folder";
    EXPECT_EQ(source->CopyTo("G:\\X.DOC", 1), 1);
    EXPECT_STREQ(ArchiveFile("G:\\X.DOC").archiveName, "G$$X$DOC.fy");
    EXPECT_EQ(ReadFileText(root + "\\G$$X$DOC.fy"), bytes);
    EXPECT_EQ(ReadFileText(source->archivePath), bytes);
}

// A folder named like the destination's archive: a move is taken back, a copy says so.
TEST_F(Relocation, WhenOnlyTheArchiveCannotFollowAMoveIsTakenBackAndACopySaysSo)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    ASSERT_TRUE(CreateDirectoryA((to_ + "\\" + ArchiveFile(dest.c_str()).archiveName).c_str(), nullptr));
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0);
    EXPECT_FALSE(PathExists(dest)) << "the move was taken back";
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CopyTo(dest.c_str(), 1), 0);
    EXPECT_EQ(ReadFileText(dest), "two");
    EXPECT_EQ(source->CountVersions(), 2);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    ExpectBox(boxes[0],
              source->workingPath + std::string("\nThe versions of this file could not be moved to ") + to_ +
                  ".  The file and its versions have been left where they were.",
              {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(boxes[1].text, source->workingPath + std::string("\nThe file was copied to ") + to_ +
                                 ", but its versions could not be copied with it.");
}

}  // namespace
}  // namespace fytest
