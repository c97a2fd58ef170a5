// Saving: the snapshot and the variables it restores, the lock, and archives
// that cannot be made or written.
#include <algorithm>
#include <string>

#include "archive_fixture.h"
#include "env_guard.h"
#include "lock_probe.h"
#include "temp_snapshot.h"

namespace fytest {
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

TEST(SnapshotVariables, EachKindOfValueIsPutBackAsItWas)
{
    EnvironmentGuard keepTmp("TMP"), keepTemp("TEMP"), keepTmpDir("TMPDIR");
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

    std::string longValue(400, 'v');   // too long to keep: never written back cut
    SetEnvironmentVariableA("TEMP", longValue.c_str());
    { EnvironmentGuard temp("TEMP"); }
    EXPECT_EQ(Variable("TEMP"), longValue);
}

using Saving = ArchiveTest;

// The store reads a writable FY copy in the temporary folder, gone afterwards.
TEST_F(Saving, ReadOnlyFileIsSavedThroughACopyThatGoesAway)
{
    std::string tempFolder = scratch_ / "tmp";
    CreateDirectoryA(tempFolder.c_str(), nullptr);
    EnvironmentGuard keepTmp("TMP"), keepTemp("TEMP");
    SetEnvironmentVariableA("TMP", tempFolder.c_str());
    SetEnvironmentVariableA("TEMP", nullptr);
    auto expectCleanedUp = [&] {
        EXPECT_TRUE(FilesIn(tempFolder).empty());
        EXPECT_EQ(Variable("TMP"), tempFolder);
        EXPECT_EQ(Variable("TEMP"), "<unset>");
    };
    std::string path = MakeFile("readonly.txt", "first");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        TempSnapshot snapshot(path.c_str());
        ASSERT_TRUE(snapshot.Complete());
        EXPECT_EQ(std::string(snapshot.Folder()), tempFolder);
        EXPECT_EQ(std::string(snapshot.Name()).substr(0, 2), "FY");
        EXPECT_EQ(ReadFileText(snapshot.Path()), "first");
        EXPECT_FALSE(GetFileAttributesA(snapshot.Path()) & FILE_ATTRIBUTE_READONLY);
        SetEnvironmentVariableA("TMP", "C:\\elsewhere");   // as the store may
    }
    expectCleanedUp();

    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileText(path, "second");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(archive.AddVersion("", 0), 1);
    expectCleanedUp();
    EXPECT_EQ(Retrieved(archive, 2), "second");
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Saving, UnreadableWorkingFileIsNotSavedAndSaysSo)
{
    std::string path = MakeFile("held.txt", "data that cannot be read now");
    ArchiveFile archive(path.c_str());
    const std::string text = "Error!  A copy of " + path + " could not be made for saving.  No version was saved.";
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ExpectOneBoxFrom([&] { EXPECT_NE(archive.CreateWithFirstVersion(0, 10, 0, 0), 0); }, text);
    EXPECT_FALSE(archive.Exists()) << "no archive without a first version";
    CloseHandle(holder);

    CreateArchive(archive);
    holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("blocked", 0), 0); }, text);
    CloseHandle(holder);
    EXPECT_EQ(archive.CountVersions(), 1);
}

// Every refused save says why, names the file, and gives the archive's lock back.
TEST_F(Saving, RefusedSavesSayWhyAndGiveTheLockBack)
{
    std::string path = MakeFile("shared.txt", "one");
    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    WriteFileText(path, "two");
    {
        LockHolder holder(archive.archivePath);
        ASSERT_TRUE(holder.Held());
        ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("", 0), 0); },
                         path + "\nNo version was saved: another program is working on the versions of this file.  "
                                "Try again in a moment.",
                         BoxIcon::Warning);
    }
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(archive.AddVersion("", 0), 1) << "the save goes through once the lock is free";
    EXPECT_EQ(TryLockFromAnotherProcess(archive.archivePath), 0);
    EXPECT_EQ(archive.CountVersions(), 2);

    const std::string sound = ReadFileText(archive.archivePath);
    const std::string bytes = Damage(archive);
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("", 0), 0); }, DamagedText(archive));
    EXPECT_EQ(ReadFileText(archive.archivePath).size(), bytes.size());
    EXPECT_EQ(ReadFileText(path), "two") << "the working file is untouched";
    // Mended, the archive is free for the next program: no lock was left held.
    WriteFileText(archive.archivePath, sound);
    EXPECT_EQ(TryLockFromAnotherProcess(archive.archivePath), 0) << "the lock was given back";
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

    ArchiveFile single(MakeFile("central.txt", "y").c_str());
    ASSERT_EQ(single.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_TRUE(PathExists(central + "\\" + single.archiveName));
}

// 260 bytes leave no room for the terminator; at 259 the store's scratch file must fit too.
TEST_F(Saving, ArchivePathTooLongIsRefusedWithItsMessage)
{
    std::string path = MakeFile("long.txt", "x");
    const size_t nameLength = strlen(ArchiveFile(path.c_str()).archiveName);
    for (size_t total : {261u, 260u, 259u}) {
        // A central folder of levels of up to 100 characters (not created).
        std::string central = scratch_.Path();
        for (char level = 'a'; central.size() < total - 1 - nameLength; ++level)
            central += "\\" + std::string(std::min<size_t>(total - 2 - nameLength - central.size(), 100), level);
        settings_.SetString("VersionsPath", central);
        ArchiveFile archive(path.c_str());
        ASSERT_EQ(strlen(archive.archiveFolder) + 1 + nameLength, total);
        if (total == 259) {
            EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
            EXPECT_TRUE(archive.Exists());
            continue;
        }
        ExpectOneBoxFrom([&] { EXPECT_NE(archive.CreateWithFirstVersion(0, 10, 0, 1), 0); },
                     "Fennory can't create an archive because the combined length of the original file path and the "
                     "Fennory path exceeds the Windows 95 limitations for long file names.  Move your file to a "
                     "directory with a shorter path and try again.");
        EXPECT_FALSE(archive.Exists());
    }
}

// The versions already on a full disk stay readable.
TEST_F(Saving, FullDiskSaysTheArchiveCouldNotBeWritten)
{
    std::string disk = SmallDiskFolder();
    ASSERT_FALSE(disk.empty()) << "the test session provides a small disk (FY_SMALL_DISK)";
    settings_.SetString("VersionsPath", disk + "\\versions");
    std::string path = MakeFile("grows.txt", "small beginning");
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);

    std::string filler = disk + "\\filler.bin";
    FillDisk(filler);
    WriteFileText(path, BinaryBytes(512 * 1024, 7));
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("", 0), 0); },
                     path + "\nNo version was saved: the archive " + archive.archivePath +
                         " could not be written.  The disk may be full, or the folder read-only.");
    DeleteFileA(filler.c_str());
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(Retrieved(archive, 1), "small beginning");
    EXPECT_EQ(TryLockFromAnotherProcess(archive.archivePath), 0);
}

}  // namespace
}  // namespace fytest
