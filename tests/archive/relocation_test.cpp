// Moving and copying a working file with its archive.
#include "archive_fixture.h"

using fytest::ArchiveTest;
using fytest::BoxIcon;
using fytest::MessageBoxAnswerer;
using fytest::PathExists;
using fytest::ReadFileText;
using fytest::WriteFileText;

class Relocation : public ArchiveTest {
protected:
    void SetUp() override
    {
        from_ = scratch_ / "from";
        to_ = scratch_ / "to";
        CreateDirectoryA(from_.c_str(), nullptr);
        CreateDirectoryA(to_.c_str(), nullptr);
    }

    // X.DOC in the source folder with versions "one" and "two".
    std::unique_ptr<ArchiveFile> MakeSource()
    {
        WriteFileText(from_ + "\\X.DOC", "one");
        auto archive = std::make_unique<ArchiveFile>((from_ + "\\X.DOC").c_str());
        EXPECT_EQ(archive->CreateWithFirstVersion(0, 10, 0, 1), 0);
        WriteFileText(archive->workingPath, "two");
        EXPECT_EQ(archive->AddVersion("", 0), 1);
        return archive;
    }

    // The destination pair holds the source's file and both versions.
    void ExpectCarried(const std::string& dest)
    {
        EXPECT_EQ(ReadFileText(dest), "two");
        ArchiveFile there(dest.c_str());
        ASSERT_TRUE(there.Exists()) << dest;
        EXPECT_EQ(there.CountVersions(), 2);
        EXPECT_EQ(Retrieved(there, 1), "one");
    }

    std::string from_, to_;
};

TEST_F(Relocation, MoveTakesTheArchiveBesideTheFileAlongUnderItsNewNameEvenWhenReadOnly)
{
    auto source = MakeSource();
    SetFileAttributesA(source->workingPath, FILE_ATTRIBUTE_READONLY);
    std::string oldArchive = source->archivePath;
    std::string dest = to_ + "\\X.DOC";
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
    std::string oldArchive = source->archivePath;
    std::string dest = to_ + "\\Y.DOC";
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 1);

    ExpectCarried(dest);
    ArchiveFile there(dest.c_str());
    EXPECT_STREQ(there.archiveFolder, central.c_str());
    EXPECT_FALSE(there.LocalArchiveExists());
    EXPECT_FALSE(PathExists(oldArchive));
    EXPECT_FALSE(PathExists(source->workingPath));
}

TEST_F(Relocation, CopyLeavesTwoIndependentPairs)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    EXPECT_EQ(source->CopyTo(dest.c_str(), 1), 1);

    ExpectCarried(dest);
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2);
    ArchiveFile copy(dest.c_str());
    WriteFileText(dest, "three");
    EXPECT_EQ(copy.AddVersion("", 0), 1);
    EXPECT_EQ(copy.CountVersions(), 3);
    EXPECT_EQ(source->CountVersions(), 2);
}

TEST_F(Relocation, OntoAnExistingFileAsksAndEachAnswerDoesWhatItSays)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    WriteFileText(dest, "already there");
    const std::string question = dest + "\nThis file already exists.\n\nReplace existing file and all associated versions?";

    MessageBoxAnswerer answerer({IDNO, IDCANCEL, IDYES});
    EXPECT_EQ(source->CopyTo(dest.c_str(), 1), 1) << "No skips the file";
    EXPECT_EQ(ReadFileText(dest), "already there");
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0) << "Cancel";
    EXPECT_EQ(ReadFileText(dest), "already there");
    EXPECT_TRUE(PathExists(source->workingPath));
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 1) << "Yes";

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes)
        fytest::ExpectBox(box, question, {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    ExpectCarried(dest);
    EXPECT_FALSE(PathExists(source->workingPath));
}

TEST_F(Relocation, OntoAnExistingArchiveAsksAboutTheArchive)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    // Another X.DOC once lived there and left its archive; the file itself is
    // there too, but with ask 0 the caller has already asked about it.
    WriteFileText(dest, "older file");
    ArchiveFile old(dest.c_str());
    ASSERT_EQ(old.CreateWithFirstVersion(0, 10, 0, 1), 0);
    const std::string question =
        dest + "\nAn archive for this file already exists in " + to_ + ".\n\nReplace existing archive?";

    MessageBoxAnswerer answerer({IDNO, IDYES});
    EXPECT_EQ(source->CopyTo(dest.c_str(), 0), 1);
    EXPECT_EQ(ReadFileText(dest), "older file");
    EXPECT_EQ(old.CountVersions(), 1);
    EXPECT_EQ(source->CopyTo(dest.c_str(), 0), 1);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    fytest::ExpectBox(boxes[0], question, {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    ExpectCarried(dest);
}

TEST_F(Relocation, FileWithoutAnArchiveMovesAndDoesNotInheritAReplacedHistory)
{
    std::string plain = from_ + "\\PLAIN.TXT";
    WriteFileText(plain, "no history");
    std::string dest = to_ + "\\PLAIN.TXT";
    WriteFileText(dest, "old");
    ArchiveFile old(dest.c_str());
    ASSERT_EQ(old.CreateWithFirstVersion(0, 10, 0, 1), 0);

    ArchiveFile source(plain.c_str());
    MessageBoxAnswerer answerer({IDYES});
    EXPECT_EQ(source.MoveTo(dest.c_str(), 1), 1);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(ReadFileText(dest), "no history");
    EXPECT_FALSE(PathExists(plain));
    EXPECT_FALSE(ArchiveFile(dest.c_str()).Exists()) << "the replaced file's versions went with it";

    // And without anything at the destination: no question at all.
    WriteFileText(plain, "again");
    ArchiveFile again(plain.c_str());
    {
        fytest::NoMessageBoxes noBox;
        EXPECT_EQ(again.CopyTo((to_ + "\\NEW.TXT").c_str(), 1), 1);
    }
    EXPECT_EQ(ReadFileText(to_ + "\\NEW.TXT"), "again");

    // The destination name has an archive in the central folder and one
    // beside it. The question names the central one, where the moving file's
    // versions belong, and only that one goes.
    std::string central = scratch_ / "central";
    settings_.SetString("VersionsPath", central);
    std::string target = to_ + "\\TWICE.TXT";
    WriteFileText(target, "old");
    ASSERT_EQ(ArchiveFile(target.c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    ASSERT_EQ(ArchiveFile(target.c_str()).CreateWithFirstVersion(0, 10, 0, 0), 0);
    std::string name = ArchiveFile(target.c_str()).archiveName;
    DeleteFileA(target.c_str());
    WriteFileText(plain, "third");
    ArchiveFile third(plain.c_str());
    MessageBoxAnswerer named({IDYES});
    EXPECT_EQ(third.MoveTo(target.c_str(), 1), 1);
    ASSERT_EQ(named.Boxes().size(), 1u);
    EXPECT_EQ(named.Boxes()[0].text, target + "\nAn archive for this file already exists in " + central +
                                         ".\n\nReplace existing archive?");
    EXPECT_FALSE(PathExists(central + "\\" + name));
    EXPECT_TRUE(PathExists(to_ + "\\" + name)) << "an archive the question did not name stays";
}

TEST_F(Relocation, FailedCopyOrMoveSaysSoAndDeletesNothing)
{
    auto source = MakeSource();
    std::string missing = scratch_ / "nowhere";
    {
        MessageBoxAnswerer answerer({IDOK, IDOK});
        EXPECT_EQ(source->CopyTo((missing + "\\X.DOC").c_str(), 1), 0);
        EXPECT_EQ(source->MoveTo((missing + "\\X.DOC").c_str(), 1), 0);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        fytest::ExpectBox(boxes[0], "Error!  The file X.DOC could not be copied to " + missing + "!", {IDOK},
                          BoxIcon::Stop);
        EXPECT_EQ(boxes[1].text, "Error!  The file X.DOC could not be moved to " + missing + "!");
    }

    // Onto itself, under any spelling, the file would be emptied by its own
    // copy: the same name, its short form, another drive letter mapped onto
    // the same folder.
    char shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(source->workingPath, shortPath, sizeof(shortPath)), 0u);
    fytest::MappedDrive drive('F', from_);
    ASSERT_TRUE(drive.Mapped()) << "the bench needs a drive letter mapped onto the source folder";
    MessageBoxAnswerer itself({IDOK, IDOK, IDOK});
    for (std::string spelling : {std::string(source->workingPath), std::string(shortPath), std::string("F:\\x.doc")})
        EXPECT_EQ(source->MoveTo(spelling.c_str(), 1), 0) << spelling;
    ASSERT_EQ(itself.Boxes().size(), 3u);
    EXPECT_EQ(itself.Boxes()[0].text, "Error!  The file X.DOC could not be moved to " + from_ + "!");
    EXPECT_EQ(itself.Boxes()[2].text, "Error!  The file x.doc could not be moved to F:!");
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2);
}

// A source the move cannot remove (another program holds it open without
// letting it be deleted) stays with its archive; the copy arrived whole.
// A damaged archive travels as it is: nothing of it is lost or mended.
TEST_F(Relocation, SourceThatCannotBeRemovedKeepsItsArchiveAndDamageTravelsAsItIs)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    HANDLE holder = CreateFileA(source->workingPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "X.DOC was moved to " + to_ + ", but " +
                                                std::string(source->workingPath) + " could not be removed.");
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Warning);
    }
    CloseHandle(holder);
    ExpectCarried(dest);
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2) << "the file stayed, so its archive stayed";

    // The drive root as the destination, with a damaged archive.
    std::string bytes = ReadFileText(source->archivePath);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(source->archivePath, bytes);
    std::string root = scratch_ / "root";
    CreateDirectoryA(root.c_str(), nullptr);
    fytest::MappedDrive drive('G', root);
    ASSERT_TRUE(drive.Mapped()) << "the bench needs a drive letter mapped onto a scratch folder";
    EXPECT_EQ(source->CopyTo("G:\\X.DOC", 1), 1);
    ArchiveFile copied("G:\\X.DOC");
    EXPECT_STREQ(copied.archiveName, "G$$X$DOC.fy");
    EXPECT_EQ(ReadFileText(root + "\\G$$X$DOC.fy"), bytes);
    EXPECT_EQ(ReadFileText(source->archivePath), bytes);
}

TEST_F(Relocation, WhenOnlyTheArchiveCannotFollowAMoveIsTakenBackAndACopySaysSo)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    // A folder where the destination's archive would go: the file can be
    // copied, its archive cannot.
    ArchiveFile there(dest.c_str());
    ASSERT_TRUE(there.archiveName[0]);
    std::string blocked = to_ + "\\" + there.archiveName;
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));

    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 0);
    EXPECT_FALSE(PathExists(dest)) << "the move was taken back";
    EXPECT_EQ(ReadFileText(source->workingPath), "two");
    EXPECT_EQ(source->CountVersions(), 2);

    EXPECT_EQ(source->CopyTo(dest.c_str(), 1), 0);
    EXPECT_EQ(ReadFileText(dest), "two") << "a copy keeps the file it made";
    EXPECT_EQ(source->CountVersions(), 2);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    fytest::ExpectBox(boxes[0],
                      source->workingPath + std::string("\nThe versions of this file could not be moved to ") + to_ +
                          ".  The file and its versions have been left where they were.",
                      {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(boxes[1].text, source->workingPath + std::string("\nThe file was copied to ") + to_ +
                                 ", but its versions could not be copied with it.");
}
