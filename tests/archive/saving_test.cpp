// Saving: the snapshot, the lock, archives that cannot be made or written, access rights.
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
#include "version_time.h"

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

bool GrantsEveryone(const std::string& dacl)
{
    return dacl.find(";;;WD)") != std::string::npos;
}

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

TEST_F(Saving, ReadOnlyFileIsSavedThroughAPrivateCopyThatGoesAway)
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
        std::string dacl = DaclOf(snapshot.Path());
        EXPECT_FALSE(dacl.empty());
        EXPECT_FALSE(GrantsEveryone(dacl)) << dacl;
        EXPECT_EQ(dacl.find(";;;BU)"), std::string::npos) << dacl;
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

// The store keeps its lease note inside the archive: a foreign file must stay untouched.
TEST_F(Saving, RefusedSavesSayWhyGiveTheLockBackAndLeaveAForeignFileAlone)
{
    std::string path = MakeFile("shared.txt", "one");
    ArchiveFile archive(path.c_str());
    const std::string unreadable = "Error!  A copy of " + path + " could not be made for saving.  No version was saved.";
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ExpectOneBoxFrom([&] { EXPECT_NE(archive.CreateWithFirstVersion(0, 10, 0, 0), 0); }, unreadable);
    EXPECT_FALSE(archive.Exists()) << "no archive without a first version";
    CloseHandle(holder);
    CreateArchive(archive);
    WriteFileText(path, "two");
    holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("blocked", 0), 0); }, unreadable);
    CloseHandle(holder);
    {
        LockHolder lockHolder(archive.archivePath);
        ASSERT_TRUE(lockHolder.Held());
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
    WriteFileText(archive.archivePath, sound);
    EXPECT_EQ(TryLockFromAnotherProcess(archive.archivePath), 0) << "the lock was given back";

    const std::string foreign = "some other program's file, not an archive";
    WriteFileText(archive.archivePath, foreign);
    ArchiveHeader header;
    EXPECT_NE(archive.ReadHeader(&header), 0);
    EXPECT_EQ(archive.CountVersions(), -1);
    EXPECT_EQ(archive.VersionCounter(), -1);
    EXPECT_EQ(archive.IsCompressed(), 0);
    EXPECT_EQ(archive.CountTemporaryVersions(), -1);
    VersionItem sentinel[1];
    VersionItem* items = sentinel;   // must be left alone
    EXPECT_EQ(archive.ListVersions(&items), -1);
    EXPECT_EQ(items, sentinel);
    char text[kVersionTimeSize];
    EXPECT_FALSE(archive.FormatVersionTime(1, text));
    EXPECT_STREQ(text, "");
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("", 0), 0); }, DamagedText(archive));
    EXPECT_EQ(ReadFileText(archive.archivePath), foreign);
}

// 260 bytes leave no room for the terminator; at 259 the store's scratch file must fit too.
TEST_F(Saving, ArchiveThatCannotBeMadeOrWrittenSaysWhy)
{
    std::string path = MakeFile("long.txt", "x");
    const size_t nameLength = strlen(ArchiveFile(path.c_str()).archiveName);
    for (size_t total : {261u, 260u, 259u}) {
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

    // The versions already on a full disk stay readable.
    std::string disk = SmallDiskFolder();
    ASSERT_FALSE(disk.empty()) << "the test session provides a small disk (FY_SMALL_DISK)";
    settings_.SetString("VersionsPath", disk + "\\versions");
    path = MakeFile("grows.txt", "small beginning");
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);

    std::string filler = disk + "\\filler.bin";
    FillDisk(filler);
    WriteFileText(path, BinaryBytes(512 * 1024));
    ExpectOneBoxFrom([&] { EXPECT_EQ(archive.AddVersion("", 0), 0); },
                     path + "\nNo version was saved: the archive " + archive.archivePath +
                         " could not be written.  The disk may be full, or the folder read-only.");
    DeleteFileA(filler.c_str());
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(Retrieved(archive, 1), "small beginning");
    EXPECT_EQ(TryLockFromAnotherProcess(archive.archivePath), 0);
}

// The central folder is a drop folder (Wine keeps only what maps onto permission bits).
TEST_F(Saving, ArchivesFollowTheirFilesRightsAndViewingCopiesAreForTheirUserAlone)
{
    std::string central = scratch_ / "versions";
    settings_.SetString("VersionsPath", central);
    std::string path = MakeFile("private.txt", "my diary");
    ASSERT_TRUE(MakePrivateToUser(path.c_str()));
    ASSERT_FALSE(GrantsEveryone(DaclOf(path))) << "the bench needs a file only its owner may read: " << DaclOf(path);
    ArchiveFile archive(path.c_str());
    std::string folder = DaclOf(central);
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(GrantsEveryone(folder)) << folder;
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_EQ(DaclOf(archive.archivePath), DaclOf(path));

    PSECURITY_DESCRIPTOR opened = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA((DaclOf(path) + "(A;;FR;;;WD)").c_str(),
                                                                     SDDL_REVISION_1, &opened, nullptr));
    EXPECT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, opened));
    LocalFree(opened);
    WriteFileText(path, "my diary, now public");
    ASSERT_EQ(archive.AddVersion("", 0), 1);
    EXPECT_TRUE(GrantsEveryone(DaclOf(archive.archivePath))) << DaclOf(archive.archivePath);

    std::string shared = scratch_ / "shared";
    CreateDirectoryA(shared.c_str(), nullptr);
    settings_.Remove("VersionsPath");
    ArchiveFile beside(MakeFile("beside.txt", "plain").c_str());
    ASSERT_EQ(beside.CreateWithFirstVersion(0, 10, 0, 0), 0);
    ASSERT_TRUE(MakePrivateToUser(beside.archivePath));
    ASSERT_EQ(beside.CopyTo((shared + "\\beside.txt").c_str(), 1), 1);
    ArchiveFile copied((shared + "\\beside.txt").c_str());
    EXPECT_EQ(DaclOf(copied.archivePath), DaclOf(copied.workingPath));

    char viewing[260];
    ASSERT_TRUE(CreatePrivateTempFile("FY#", viewing));
    EXPECT_NE(std::string(viewing).find("\\FY#"), std::string::npos) << viewing;
    EXPECT_FALSE(GrantsEveryone(DaclOf(viewing))) << DaclOf(viewing);
    DeleteFileA(viewing);
}

}  // namespace
}  // namespace fytest
