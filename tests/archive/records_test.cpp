// Creating, growing, listing and reading back archives through the store.
#include <cstring>
#include <vector>

#include "archive_fixture.h"
#include "version_time.h"

namespace fytest {
namespace {

// The text FormatVersionTime must give for this machine's current minute.
std::string NowText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[kVersionTimeSize];
    EXPECT_TRUE(FormatLocalTime(now, text));
    return text;
}

using Records = ArchiveTest;

TEST_F(Records, VersionsAreCountedListedAndReadBackWithFlagAndComment)
{
    ArchiveFile archive(MakeFile("one.txt", "first words").c_str());
    EXPECT_EQ(archive.AddVersion("comment", 0), 0) << "no archive yet";
    EXPECT_FALSE(archive.Exists());
    EXPECT_EQ(archive.CountVersions(), -1);
    EXPECT_EQ(archive.VersionCounter(), -1);
    EXPECT_TRUE(archive.IsWorkingFileNewer());
    std::string before = NowText();
    CreateArchive(archive);
    std::string after = NowText();
    EXPECT_EQ(archive.VersionCounter(), 1);
    EXPECT_FALSE(archive.IsWorkingFileNewer());
    WriteFileText(archive.workingPath, "version two, longer");
    EXPECT_TRUE(archive.IsWorkingFileNewer());
    ASSERT_EQ(archive.AddVersion(std::string(300, 'c').c_str(), 1), 1);

    EXPECT_EQ(archive.CountVersions(), 2);
    EXPECT_EQ(archive.VersionCounter(), 2);
    EXPECT_EQ(archive.IsCompressed(), 0);
    EXPECT_EQ(Retrieved(archive, 1), "first words");
    VersionItem* items = nullptr;
    ASSERT_EQ(archive.ListVersions(&items), 2);
    EXPECT_EQ(items[0].number, 1);
    EXPECT_EQ(items[0].permanent, 0);
    EXPECT_STREQ(items[0].user, archive.userName);
    EXPECT_STREQ(items[0].comment, "");
    EXPECT_TRUE(before == items[0].dateText || after == items[0].dateText) << items[0].dateText;
    EXPECT_EQ(items[1].number, 2);
    EXPECT_EQ(items[1].permanent, 1);
    EXPECT_EQ(std::string(items[1].comment), std::string(128, 'c')) << "cut to the store's length";
    EXPECT_NE(items[1].dateText[0], '\0');
    delete[] items;
}

// Several store chunks per version, every byte value, and a tiny last version;
// each read back over a longer file.
TEST_F(Records, ManyVersionsOfBinaryContentComeBackByteForByte)
{
    std::vector<std::string> contents;
    for (unsigned i = 0; i < 12; ++i) {
        std::string bytes = BinaryBytes(3 * 1024 * 1024 + 17 * i, 7);
        bytes[1000 + i * 4096] ^= static_cast<char>(0x5A);   // each version differs a little
        contents.push_back(bytes.append(i, '\0'));
    }
    contents.push_back(std::string("\0\r\n\x1A\xFF", 5));
    ArchiveFile archive(MakeFile("many.bin", contents[0]).c_str());
    CreateArchive(archive, 100);
    for (size_t i = 1; i < contents.size(); ++i)
        SaveVersion(archive, contents[i]);

    EXPECT_EQ(Numbers(archive), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    WriteFileText(RetrievedPath(), std::string(8 * 1024 * 1024, 'z'));
    for (int v = 13; v >= 1; --v)
        EXPECT_TRUE(Retrieved(archive, v) == contents[v - 1]) << "version " << v << " differs";

    std::string text(200000, 'a');
    ArchiveFile packed(MakeFile("packed.txt", text).c_str());
    ASSERT_EQ(packed.CreateWithFirstVersion(0, 10, 1, 0), 0);
    EXPECT_EQ(packed.IsCompressed(), 1);
    EXPECT_EQ(Retrieved(packed, 1), text);
}

TEST_F(Records, AfterDeletingTheMiddleVersionTheOthersKeepTheirNumbers)
{
    ArchiveFile archive(MakeFile("gap.txt", "1").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "22");
    SaveVersion(archive, "333");
    ASSERT_EQ(archive.DeleteVersion(2), 1);
    EXPECT_EQ(archive.CountVersions(), 2);
    EXPECT_EQ(archive.VersionCounter(), 3) << "the counter holds the latest number given";
    EXPECT_EQ(Numbers(archive), (std::vector<int>{1, 3}));
    EXPECT_EQ(Retrieved(archive, 3), "333");

    // A number no entry carries has no date, and nothing beside the array is read.
    char text[kVersionTimeSize];
    for (int missing : {2, 9, 65535, -1}) {
        strcpy(text, "stale");
        EXPECT_FALSE(archive.FormatVersionTime(missing, text)) << missing;
        EXPECT_STREQ(text, "") << missing;
    }
    EXPECT_TRUE(archive.FormatVersionTime(3, text));
}

// The store keeps its lease note inside the archive: a save must not write to
// a file that only bears an archive's name.
TEST_F(Records, FileThatIsNoArchiveGivesTheFailureResultsAndIsLeftUntouched)
{
    ArchiveFile archive(MakeFile("broken.txt", "x").c_str());
    const std::string foreign = "some other program's file, not an archive";
    WriteFileText(archive.archivePath, foreign);
    ASSERT_TRUE(archive.Exists());
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

// A file held without read sharing has no time; one others may read has.
TEST_F(Records, WorkingFileTimeNeedsAFileThatCanBeRead)
{
    std::string path = MakeFile("held.txt", "busy");
    ArchiveFile archive(path.c_str());
    char text[kVersionTimeSize];
    for (DWORD sharing : {0, FILE_SHARE_READ | FILE_SHARE_WRITE}) {
        HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        strcpy(text, "stale");
        EXPECT_EQ(archive.FormatVersionTime(0, text), sharing != 0) << sharing;
        EXPECT_EQ(text[0] == '\0', sharing == 0) << text;
        CloseHandle(holder);
    }
    DeleteFileA(path.c_str());
    EXPECT_FALSE(archive.FormatVersionTime(0, text));
}

}  // namespace
}  // namespace fytest
