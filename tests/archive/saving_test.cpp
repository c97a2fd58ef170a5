// Saving through a temporary snapshot: the snapshot, the variables it must
// leave as they were, the lock, and archives that cannot be made.
#include <string>

#include "archive_fixture.h"
#include "lock_probe.h"
#include "env_guard.h"
#include "temp_snapshot.h"

using fytest::ArchiveTest;
using fytest::BoxIcon;
using fytest::FilesIn;
using fytest::MessageBoxAnswerer;
using fytest::PathExists;
using fytest::ReadFileText;
using fytest::WriteFileText;

namespace {

// The variable's value; "<unset>" when it does not exist.
std::string Variable(const char* name)
{
    char value[1024];
    SetLastError(NO_ERROR);
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return "<unset>";
    return length < sizeof(value) ? std::string(value, length) : "<too long>";
}

}  // namespace

// ---- The variables and the snapshot file --------------------------------

TEST(SnapshotVariables, EachKindOfValueIsPutBackAsItWas)
{
    EnvironmentGuard keepTmp("TMP"), keepTemp("TEMP"), keepTmpDir("TMPDIR");
    std::string longValue(400, 'v');   // too long to keep: never written back cut
    SetEnvironmentVariableA("TMP", "C:\\before");
    SetEnvironmentVariableA("TEMP", nullptr);
    SetEnvironmentVariableA("TMPDIR", "");
    {
        EnvironmentGuard tmp("TMP"), temp("TEMP"), tmpDir("TMPDIR");
        SetEnvironmentVariableA("TMP", "C:\\changed by the store");
        SetEnvironmentVariableA("TEMP", "C:\\set by the store");
        SetEnvironmentVariableA("TMPDIR", nullptr);
    }
    EXPECT_EQ(Variable("TMP"), "C:\\before");
    EXPECT_EQ(Variable("TEMP"), "<unset>");
    EXPECT_EQ(Variable("TMPDIR"), "") << "an empty value stays set and empty";

    SetEnvironmentVariableA("TEMP", longValue.c_str());
    {
        EnvironmentGuard temp("TEMP");
    }
    EXPECT_EQ(Variable("TEMP"), longValue);
}

// The temporary folder points into the scratch folder, TEMP unset.
class Snapshot : public ArchiveTest {
protected:
    void SetUp() override
    {
        tempFolder_ = scratch_ / "tmp";
        CreateDirectoryA(tempFolder_.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", tempFolder_.c_str());
        SetEnvironmentVariableA("TEMP", nullptr);
    }

    // Nothing left in the temporary folder, and the variables as they were.
    void ExpectCleanedUp()
    {
        EXPECT_TRUE(FilesIn(tempFolder_).empty());
        EXPECT_EQ(Variable("TMP"), tempFolder_);
        EXPECT_EQ(Variable("TEMP"), "<unset>");
    }

    EnvironmentGuard keepTmp_{"TMP"}, keepTemp_{"TEMP"};
    std::string tempFolder_;
};

TEST_F(Snapshot, IsAWritableFYCopyInTheTemporaryFolderGoneAfterwards)
{
    std::string working = MakeFile("locked.txt", "read-only content");
    SetFileAttributesA(working.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        TempSnapshot snapshot(working.c_str());
        ASSERT_TRUE(snapshot.Complete());
        std::string snapshotPath = snapshot.Path();
        EXPECT_EQ(std::string(snapshot.Folder()), tempFolder_);
        EXPECT_EQ(std::string(snapshot.Name()).substr(0, 2), "FY");
        EXPECT_EQ(ReadFileText(snapshotPath), "read-only content");
        EXPECT_FALSE(GetFileAttributesA(snapshotPath.c_str()) & FILE_ATTRIBUTE_READONLY);
        SetEnvironmentVariableA("TMP", "C:\\elsewhere");   // as the store may
    }
    ExpectCleanedUp();
    EXPECT_TRUE(GetFileAttributesA(working.c_str()) & FILE_ATTRIBUTE_READONLY) << "the working file keeps its attribute";
}

TEST_F(Snapshot, SavingLeavesNoCopyBehindAndTheVariablesAsTheyWere)
{
    ArchiveFile archive(MakeFile("saved.txt", "one").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "two");
    ExpectCleanedUp();
}

// ---- Saving ---------------------------------------------------------------

using Saving = ArchiveTest;

TEST_F(Saving, ReadOnlyWorkingFileIsSavedAndKeepsItsAttribute)
{
    std::string path = MakeFile("readonly.txt", "first");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ArchiveFile archive(path.c_str());
    CreateArchive(archive);

    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileText(path, "second");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(archive.AddVersion("", 0), 1);

    EXPECT_EQ(archive.CountVersions(), 2);
    EXPECT_EQ(Retrieved(archive, 2), "second");
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Saving, UnreadableWorkingFileIsNotSavedAndSaysSo)
{
    std::string path = MakeFile("held.txt", "data that cannot be read now");
    ArchiveFile fresh(path.c_str());
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_NE(fresh.CreateWithFirstVersion(0, 10, 0, 0), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        fytest::ExpectBox(answerer.Boxes()[0],
                          "Error!  A copy of " + path + " could not be made for saving.  No version was saved.", {IDOK},
                          BoxIcon::Stop);
    }
    EXPECT_FALSE(fresh.Exists()) << "no archive without a first version";
    CloseHandle(holder);

    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(archive.AddVersion("blocked", 0), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
    }
    CloseHandle(holder);
    EXPECT_EQ(archive.CountVersions(), 1);
}

// Every refused save says why, names the file, and leaves the archive's
// lock free for the next program.
TEST_F(Saving, RefusedSavesSayWhyAndGiveTheLockBack)
{
    std::string path = MakeFile("shared.txt", "one");
    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    WriteFileText(path, "two");

    // Another program is saving: try again later.
    {
        fytest::LockHolder holder(archive.archivePath);
        ASSERT_TRUE(holder.Held());
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(archive.AddVersion("", 0), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, path + "\nNo version was saved: another program is working on the "
                                                   "versions of this file.  Try again in a moment.");
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Warning);
    }
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(archive.AddVersion("", 0), 1) << "the save goes through once the lock is free";

    EXPECT_EQ(fytest::TryLockFromAnotherProcess(archive.archivePath), 0);
    EXPECT_EQ(archive.CountVersions(), 2);

    // A damaged archive: said so, nothing written, the lock given back.
    const std::string sound = ReadFileText(archive.archivePath);
    std::string bytes = sound;
    ASSERT_GT(bytes.size(), 64u);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(archive.archivePath, bytes);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(archive.AddVersion("", 0), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, path + "\nThe archive of this file is damaged:\n" +
                                                std::string(archive.archivePath) + "\n\nNothing was changed.");
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Stop);
    }
    EXPECT_EQ(ReadFileText(archive.archivePath).size(), bytes.size());
    EXPECT_EQ(ReadFileText(path), "two") << "the working file is untouched";
    // Mended, the archive is free for the next program: no lock was left held.
    WriteFileText(archive.archivePath, sound);
    EXPECT_EQ(fytest::TryLockFromAnotherProcess(archive.archivePath), 0) << "the lock was given back";
}

TEST_F(Saving, WithoutAnArchiveNothingIsAddedAndTheFileCountsAsNewer)
{
    ArchiveFile archive(MakeFile("newer.txt", "same").c_str());
    EXPECT_EQ(archive.AddVersion("comment", 0), 0);
    EXPECT_FALSE(archive.Exists());
    EXPECT_TRUE(archive.IsWorkingFileNewer()) << "no archive yet";
    CreateArchive(archive);
    EXPECT_FALSE(archive.IsWorkingFileNewer());
    WriteFileText(archive.workingPath, "different and longer");
    EXPECT_TRUE(archive.IsWorkingFileNewer());
}

TEST_F(Saving, WithoutSingleLocationTheArchiveLiesBesideTheFile)
{
    std::string central = scratch_ / "central";
    settings_.SetString("VersionsPath", central);
    std::string path = MakeFile("beside.txt", "x");

    ArchiveFile archive(path.c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 0), 0);
    EXPECT_STREQ(archive.archiveFolder, scratch_.Path().c_str());
    EXPECT_TRUE(PathExists(scratch_ / archive.archiveName));
    EXPECT_FALSE(PathExists(central + "\\" + archive.archiveName));
    ArchiveFile later(path.c_str());
    EXPECT_TRUE(later.LocalArchiveExists());
    EXPECT_EQ(later.CountVersions(), 1);

    std::string other = MakeFile("central.txt", "y");
    ArchiveFile single(other.c_str());
    ASSERT_EQ(single.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_TRUE(PathExists(central + "\\" + single.archiveName));
}

TEST_F(Saving, ArchivePathTooLongIsRefusedWithItsMessage)
{
    std::string path = MakeFile("long.txt", "x");
    size_t nameLength = strlen(ArchiveFile(path.c_str()).archiveName);

    const std::string kText =
        "Fennory can't create an archive because the combined length of the original file path and the Fennory "
        "path exceeds the Windows 95 limitations for long file names.  Move your file to a directory with a "
        "shorter path and try again.";

    // One character over 260, and exactly 260, which leaves no room for the
    // terminator of a 260-byte path: both are refused.
    for (size_t total : {261u, 260u}) {
        std::string central = CentralOfLength(total - 1 - nameLength);
        ASSERT_EQ(central.size() + 1 + nameLength, total);
        settings_.SetString("VersionsPath", central);
        ArchiveFile archive(path.c_str());
        ASSERT_STREQ(archive.archiveFolder, central.c_str());
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_NE(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u) << total;
        fytest::ExpectBox(answerer.Boxes()[0], kText, {IDOK}, BoxIcon::Stop);
        EXPECT_FALSE(archive.Exists());
    }

    // The longest path that fits, 259: the store builds the archive aside
    // and renames it into place, and its scratch file must fit too.
    settings_.SetString("VersionsPath", CentralOfLength(259 - 1 - nameLength));
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(strlen(archive.archivePath), 259u);
    EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_TRUE(archive.Exists());
}

// The store keeps its lease note inside the archive: a stray file named like
// an archive must not be written to by a save that then fails.
TEST_F(Saving, AFileThatIsNoArchiveIsLeftUntouched)
{
    std::string path = MakeFile("foreign.txt", "content");
    ArchiveFile archive(path.c_str());
    std::string notAnArchive = "some other program's file, not an archive";
    WriteFileText(archive.archivePath, notAnArchive);

    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(archive.AddVersion("", 0), 0);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, path + "\nThe archive of this file is damaged:\n" +
                                            std::string(archive.archivePath) + "\n\nNothing was changed.");
    EXPECT_EQ(ReadFileText(archive.archivePath), notAnArchive);
}

// The versions folder on a disk that fills up: the save says the archive
// could not be written, and the versions already there stay readable.
TEST_F(Saving, FullDiskSaysTheArchiveCouldNotBeWritten)
{
    std::string disk = fytest::SmallDiskFolder();
    ASSERT_FALSE(disk.empty()) << "the test session provides a small disk (FY_SMALL_DISK)";
    std::string central = disk + "\\versions";
    settings_.SetString("VersionsPath", central);
    std::string path = MakeFile("grows.txt", "small beginning");
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);

    // Fill what is left of the disk, then save content that cannot fit.
    std::string filler = disk + "\\filler.bin";
    fytest::FillDisk(filler);
    WriteFileText(path, fytest::BinaryBytes(512 * 1024, 7));
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(archive.AddVersion("", 0), 0);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, path + "\nNo version was saved: the archive " +
                                                std::string(archive.archivePath) +
                                                " could not be written.  The disk may be full, or the folder read-only.");
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Stop);
    }
    DeleteFileA(filler.c_str());
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(Retrieved(archive, 1), "small beginning");
    EXPECT_EQ(fytest::TryLockFromAnotherProcess(archive.archivePath), 0);
}
