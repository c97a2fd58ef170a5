// Saving through a temporary snapshot: the snapshot, the variables it must
// leave as they were, the lock, and archives that cannot be made.
#include <string>

#include "archive_fixture.h"
#include "env_guard.h"
#include "temp_snapshot.h"

using fytest::ArchiveTest;
using fytest::BoxIcon;
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

// Names of the files in folder.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Takes the archive's change lock the way another program would: the store
// keeps it as an exclusive lock on one byte at offset 2^62.
class ForeignLock {
public:
    explicit ForeignLock(const std::string& archive)
    {
        file_ = CreateFileA(archive.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        overlapped_.Offset = 0;
        overlapped_.OffsetHigh = 0x40000000;
        held_ = file_ != INVALID_HANDLE_VALUE &&
                LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &overlapped_);
    }
    ~ForeignLock()
    {
        if (held_)
            UnlockFileEx(file_, 0, 1, 0, &overlapped_);
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
    }
    bool Held() const { return held_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_ = {};
    bool held_ = false;
};

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
        const auto& box = answerer.Boxes()[0];
        EXPECT_EQ(box.text, "Error!  A copy of " + path + " could not be made for saving.  No version was saved.");
        EXPECT_TRUE(box.HasButtons({IDOK}));
        EXPECT_EQ(box.icon, BoxIcon::Stop);
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

TEST_F(Saving, LockHeldElsewhereDropsTheSaveSilently)
{
    ArchiveFile archive(MakeFile("shared.txt", "one").c_str());
    CreateArchive(archive);
    WriteFileText(archive.workingPath, "two");
    {
        ForeignLock lock(archive.archivePath);
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(archive.AddVersion("", 0), 0);   // a box would stall here and fail the test
    }
    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(archive.AddVersion("", 0), 1) << "the save goes through once the lock is free";
}

TEST_F(Saving, FailedAddLeavesTheArchiveAsItWasAndTheLockFree)
{
    std::string path = MakeFile("damaged.txt", "content");
    ArchiveFile archive(path.c_str());
    CreateArchive(archive);
    // Both superblock slots (bytes 64-191) damaged: the store refuses the add.
    std::string bytes = ReadFileText(archive.archivePath);
    ASSERT_GT(bytes.size(), 256u);
    for (size_t i = 64; i < 192; ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(archive.archivePath, bytes);
    WriteFileText(path, "changed content");

    EXPECT_EQ(archive.AddVersion("", 0), 0);   // and no message box
    std::string after = ReadFileText(archive.archivePath);
    ASSERT_EQ(after.size(), bytes.size());
    // The lease record (bytes 192-255) is the lock's own note; nothing else changed.
    EXPECT_TRUE(after.substr(0, 192) == bytes.substr(0, 192));
    EXPECT_TRUE(after.substr(256) == bytes.substr(256));
    ForeignLock lock(archive.archivePath);
    EXPECT_TRUE(lock.Held()) << "the archive's lock was given back";
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
        EXPECT_EQ(answerer.Boxes()[0].text, kText);
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Stop);
        EXPECT_TRUE(answerer.Boxes()[0].HasButtons({IDOK}));
        EXPECT_FALSE(archive.Exists());
    }

    // A long path that fits.
    std::string central = CentralOfLength(230 - 1 - nameLength);
    settings_.SetString("VersionsPath", central);
    ArchiveFile archive(path.c_str());
    EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_TRUE(archive.Exists());
}
