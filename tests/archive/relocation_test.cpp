// Moving and copying a working file with its archive (beside it: see the commands' tests).
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

    std::unique_ptr<ArchiveFile> MakeSource()
    {
        auto archive = std::make_unique<ArchiveFile>((from_ + "\\X.DOC").c_str());
        EXPECT_EQ(archive->CreateWithFirstVersion(0, 10, 0, 1), 0);
        WriteFileText(archive->workingPath, "two");
        EXPECT_EQ(archive->AddVersion("", 0), 1);
        return archive;
    }

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

TEST_F(Relocation, CentralArchiveIsCopiedApartAndMovedUnderTheNewName)
{
    std::string central = scratch_ / "central";
    settings_.SetString("VersionsPath", central);
    auto source = MakeSource();
    ASSERT_STREQ(source->archiveFolder, central.c_str());
    std::string copy = to_ + "\\C.DOC";
    EXPECT_EQ(source->CopyTo(copy.c_str(), 1), 1);
    ExpectCarried(copy);
    WriteFileText(copy, "three");
    EXPECT_EQ(ArchiveFile(copy.c_str()).AddVersion("", 0), 1);
    EXPECT_EQ(source->CountVersions(), 2);

    SetFileAttributesA(source->workingPath, FILE_ATTRIBUTE_READONLY);
    std::string oldArchive = source->archivePath, dest = to_ + "\\Y.DOC";
    EXPECT_EQ(source->MoveTo(dest.c_str(), 1), 1);
    ExpectCarried(dest);
    EXPECT_FALSE(ArchiveFile(dest.c_str()).LocalArchiveExists());
    EXPECT_FALSE(PathExists(oldArchive));
    EXPECT_FALSE(PathExists(source->workingPath));
    EXPECT_TRUE(GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Relocation, ReplacingAnArchiveIsAskedAndAPlainFileInheritsNoHistory)
{
    auto source = MakeSource();
    std::string dest = to_ + "\\X.DOC";
    WriteFileText(dest, "older file");
    ArchiveFile old(dest.c_str());
    ASSERT_EQ(old.CreateWithFirstVersion(0, 10, 0, 1), 0);
    {
        MessageBoxAnswerer answerer({IDNO, IDYES});
        EXPECT_EQ(source->CopyTo(dest.c_str(), 0), 1);
        EXPECT_EQ(ReadFileText(dest), "older file");
        EXPECT_EQ(old.CountVersions(), 1);
        EXPECT_EQ(source->MoveTo(dest.c_str(), 0), 1);
        ASSERT_EQ(answerer.Boxes().size(), 2u);
        ExpectBox(answerer.Boxes()[0],
                  dest + "\nAn archive for this file already exists in " + to_ + ".\n\nReplace existing archive?",
                  {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
        ExpectCarried(dest);
    }

    std::string plain = from_ + "\\X.DOC";
    WriteFileText(plain, "plain");
    {
        MessageBoxAnswerer answerer({IDYES});
        EXPECT_EQ(ArchiveFile(plain.c_str()).MoveTo(dest.c_str(), 1), 1);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
    }
    EXPECT_EQ(ReadFileText(dest), "plain");
    EXPECT_FALSE(PathExists(plain));
    EXPECT_FALSE(ArchiveFile(dest.c_str()).Exists()) << "the replaced file's versions went with it";
    WriteFileText(plain, "again");
    {
        NoMessageBoxes noBox;
        EXPECT_EQ(ArchiveFile(plain.c_str()).CopyTo((to_ + "\\NEW.TXT").c_str(), 1), 1);
    }
    EXPECT_EQ(ReadFileText(to_ + "\\NEW.TXT"), "again");

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

// The file onto itself under another spelling would empty it.
TEST_F(Relocation, FailedOrHalfDoneRelocationLosesNothingAndDamageTravelsAsItIs)
{
    auto source = MakeSource();
    std::string missing = scratch_ / "nowhere";
    char shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(source->workingPath, shortPath, sizeof(shortPath)), 0u);
    MappedDrive drive('F', from_);
    ASSERT_TRUE(drive.Mapped()) << "the bench needs a drive letter mapped onto the source folder";
    {
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

    std::string blocked = to_ + "\\Z.DOC";
    ASSERT_TRUE(CreateDirectoryA((to_ + "\\" + ArchiveFile(blocked.c_str()).archiveName).c_str(), nullptr));
    {
        MessageBoxAnswerer answerer({IDOK, IDOK});
        EXPECT_EQ(source->MoveTo(blocked.c_str(), 1), 0);
        EXPECT_FALSE(PathExists(blocked)) << "the move was taken back";
        EXPECT_EQ(ReadFileText(source->workingPath), "two");
        EXPECT_EQ(source->CopyTo(blocked.c_str(), 1), 0);
        EXPECT_EQ(ReadFileText(blocked), "two");
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

    const std::string bytes = Damage(*source);
    std::string root = scratch_ / "root";
    CreateDirectoryA(root.c_str(), nullptr);
    MappedDrive rootDrive('G', root);
    ASSERT_TRUE(rootDrive.Mapped()) << "the bench needs a drive letter mapped onto a scratch folder";
    EXPECT_EQ(source->CopyTo("G:\\X.DOC", 1), 1);
    EXPECT_EQ(ReadFileText(root + "\\G$$X$DOC.fy"), bytes);
    EXPECT_EQ(ReadFileText(source->archivePath), bytes);
}

}  // namespace
}  // namespace fytest
