// Saving: the snapshot and the variables it restores, the lock, archives that
// cannot be made or written, and the access rights that follow a working file
// into its versions and its temporary copies.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>

#include "archive_fixture.h"
#include "env_guard.h"
#include "file_access.h"
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

// TMP and TEMP as the store leaves them are checked with the snapshot below.
TEST(SnapshotVariables, EmptyAndOverlongValuesArePutBackAsTheyWere)
{
    EnvironmentGuard keepTmpDir("TMPDIR"), keepTemp("TEMP");
    const std::string longValue(400, 'v');   // too long to keep: never written back cut
    SetEnvironmentVariableA("TMPDIR", "");
    SetEnvironmentVariableA("TEMP", longValue.c_str());
    {
        EnvironmentGuard tmpDir("TMPDIR"), temp("TEMP");
        SetEnvironmentVariableA("TMPDIR", nullptr);
    }
    EXPECT_EQ(Variable("TMPDIR"), "") << "an empty value stays set and empty";
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
        SetEnvironmentVariableA("TEMP", "C:\\elsewhere");
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
    EXPECT_TRUE(ArchiveFile(path.c_str()).LocalArchiveExists()) << "and is found there";

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
        ExpectOneBoxFrom(
            [&] { EXPECT_NE(archive.CreateWithFirstVersion(0, 10, 0, 1), 0); },
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

// The access list of path in the descriptor language ("" when unreadable).
std::string DaclOf(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    char* text = nullptr;
    std::string result;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr))
        result = text;
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

// Gives path the list written in the descriptor language.
void SetDacl(const std::string& path, const std::string& text)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor)) << path;
    LocalFree(descriptor);
}

bool GrantsEveryone(const std::string& dacl)
{
    return dacl.find(";;;WD)") != std::string::npos;
}

using FileAccess = ArchiveTest;

TEST_F(FileAccess, ArchiveInTheCentralFolderFollowsItsFilesRights)
{
    std::string central = scratch_ / "versions";
    settings_.SetString("VersionsPath", central);
    std::string path = MakeFile("private.txt", "my diary");
    ASSERT_TRUE(MakePrivateToUser(path.c_str()));
    ASSERT_FALSE(GrantsEveryone(DaclOf(path))) << "the bench needs a file only its owner may read: " << DaclOf(path);

    // The folder the module makes is a drop folder: users add, creators own,
    // nobody lists it. (Wine keeps only what maps onto permission bits.)
    ArchiveFile archive(path.c_str());
    std::string folder = DaclOf(central);
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(GrantsEveryone(folder)) << folder;

    // No one the file shuts out reads its history, and the folder hands nothing down.
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_EQ(DaclOf(archive.archivePath), DaclOf(path));

    // Opened up later: the next save brings the archive in line.
    SetDacl(path, DaclOf(path) + "(A;;FR;;;WD)");
    WriteFileText(path, "my diary, now public");
    ASSERT_EQ(archive.AddVersion("", 0), 1);
    EXPECT_TRUE(GrantsEveryone(DaclOf(archive.archivePath))) << DaclOf(archive.archivePath);

    // A copy's history takes the rights of the file's copy, not those of the source's archive.
    std::string shared = scratch_ / "shared";
    CreateDirectoryA(shared.c_str(), nullptr);
    settings_.Remove("VersionsPath");
    ArchiveFile beside(MakeFile("beside.txt", "plain").c_str());
    ASSERT_EQ(beside.CreateWithFirstVersion(0, 10, 0, 0), 0);
    ASSERT_TRUE(MakePrivateToUser(beside.archivePath));
    ASSERT_EQ(beside.CopyTo((shared + "\\beside.txt").c_str(), 1), 1);
    ArchiveFile copied((shared + "\\beside.txt").c_str());
    EXPECT_EQ(DaclOf(copied.archivePath), DaclOf(copied.workingPath));
}

TEST_F(FileAccess, SnapshotAndViewingCopiesAreForTheirUserAloneAndGoAway)
{
    std::string snapshotPath;
    {
        TempSnapshot snapshot(MakeFile("snap.txt", "content to save").c_str());
        ASSERT_TRUE(snapshot.Complete());
        snapshotPath = snapshot.Path();
        std::string dacl = DaclOf(snapshotPath);
        EXPECT_FALSE(dacl.empty());
        EXPECT_FALSE(GrantsEveryone(dacl)) << dacl;
        EXPECT_EQ(dacl.find(";;;BU)"), std::string::npos) << dacl;
    }
    EXPECT_FALSE(PathExists(snapshotPath));

    char viewing[260];
    ASSERT_TRUE(CreatePrivateTempFile("FY#", viewing));
    EXPECT_NE(std::string(viewing).find("\\FY#"), std::string::npos) << viewing;
    EXPECT_FALSE(GrantsEveryone(DaclOf(viewing))) << DaclOf(viewing);
    DeleteFileA(viewing);
}

}  // namespace
}  // namespace fytest
