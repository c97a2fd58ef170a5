// Creating, growing, listing and reading back archives through the store.
#include <cstring>
#include <vector>

#include "archive_fixture.h"
#include "version_time.h"

using fytest::ArchiveTest;
using fytest::BinaryBytes;
using fytest::WriteFileText;

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

}  // namespace

using RoundTrip = ArchiveTest;

TEST_F(RoundTrip, OneVersionIsCountedListedAndReadBack)
{
    ArchiveFile archive(MakeFile("one.txt", "first words").c_str());
    ASSERT_FALSE(archive.Exists());
    EXPECT_EQ(archive.CountVersions(), -1) << "no archive yet";
    EXPECT_EQ(archive.VersionCounter(), -1);

    std::string before = NowText();
    CreateArchive(archive);
    std::string after = NowText();

    EXPECT_EQ(archive.CountVersions(), 1);
    EXPECT_EQ(archive.VersionCounter(), 1);
    EXPECT_EQ(archive.IsCompressed(), 0);
    EXPECT_EQ(Retrieved(archive, 1), "first words");

    VersionItem* items = nullptr;
    ASSERT_EQ(archive.ListVersions(&items), 1);
    EXPECT_EQ(items[0].number, 1);
    EXPECT_EQ(items[0].permanent, 0);
    EXPECT_STREQ(items[0].user, archive.userName);
    EXPECT_STREQ(items[0].comment, "");
    EXPECT_TRUE(before == items[0].dateText || after == items[0].dateText) << items[0].dateText;
    delete[] items;

    char text[kVersionTimeSize];
    ASSERT_TRUE(archive.FormatVersionTime(1, text));
    EXPECT_TRUE(before == text || after == text) << text;
}

TEST_F(RoundTrip, ManyVersionsOfBinaryContentComeBackByteForByte)
{
    // Large enough for several store chunks, and every byte value.
    std::vector<std::string> contents;
    for (unsigned i = 0; i < 12; ++i) {
        std::string bytes = BinaryBytes(3 * 1024 * 1024 + 17 * i, 7);
        bytes[1000 + i * 4096] ^= static_cast<char>(0x5A);   // each version differs a little
        bytes.append(i, '\0');
        contents.push_back(bytes);
    }
    ArchiveFile archive(MakeFile("many.bin", contents[0]).c_str());
    CreateArchive(archive, 100);
    for (size_t i = 1; i < contents.size(); ++i)
        SaveVersion(archive, contents[i]);

    ASSERT_EQ(archive.CountVersions(), 12);
    for (int v = 1; v <= 12; ++v) {
        std::string back = Retrieved(archive, v);
        EXPECT_EQ(back.size(), contents[v - 1].size()) << "version " << v;
        EXPECT_TRUE(back == contents[v - 1]) << "version " << v << " differs";
    }
    VersionItem* items = nullptr;
    ASSERT_EQ(archive.ListVersions(&items), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(items[i].number, i + 1);
    delete[] items;
}

TEST_F(RoundTrip, CompressedArchiveSaysSoAndStillReturnsTheBytes)
{
    std::string text(200000, 'a');
    ArchiveFile archive(MakeFile("packed.txt", text).c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 1, 0), 0);
    EXPECT_EQ(archive.IsCompressed(), 1);
    EXPECT_EQ(Retrieved(archive, 1), text);
}

TEST_F(RoundTrip, SecondVersionKeepsItsFlagAndItsCommentCutToTheStoresLength)
{
    ArchiveFile archive(MakeFile("comment.txt", "version one").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "version two, longer", 1, std::string(300, 'c').c_str());

    EXPECT_EQ(archive.VersionCounter(), 2);
    EXPECT_EQ(Retrieved(archive, 1), "version one");
    VersionItem* items = nullptr;
    ASSERT_EQ(archive.ListVersions(&items), 2);
    EXPECT_EQ(items[0].permanent, 0);
    EXPECT_EQ(items[1].number, 2);
    EXPECT_EQ(items[1].permanent, 1);
    EXPECT_EQ(std::string(items[1].comment), std::string(128, 'c'));
    EXPECT_LE(strlen(items[1].user), 35u) << "the user row stays terminated";
    EXPECT_NE(items[1].dateText[0], '\0');
    delete[] items;
}

using VersionRecords = ArchiveTest;

TEST_F(VersionRecords, AfterDeletingTheMiddleVersionTheOthersKeepTheirNumbers)
{
    ArchiveFile archive(MakeFile("gap.txt", "1").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "22");
    SaveVersion(archive, "333");
    ASSERT_EQ(archive.DeleteVersion(2), 1);

    EXPECT_EQ(archive.CountVersions(), 2);
    EXPECT_EQ(archive.VersionCounter(), 3) << "the counter holds the latest number given";
    VersionItem* items = nullptr;
    ASSERT_EQ(archive.ListVersions(&items), 2);
    EXPECT_EQ(items[0].number, 1);
    EXPECT_EQ(items[1].number, 3);
    delete[] items;
    EXPECT_EQ(Retrieved(archive, 3), "333");

    // The number no entry carries any more has no date (and nothing is read
    // beside the array), nor has one never given.
    char text[kVersionTimeSize];
    for (int missing : {2, 9, 65535, -1}) {
        strcpy(text, "stale");
        EXPECT_FALSE(archive.FormatVersionTime(missing, text)) << missing;
        EXPECT_STREQ(text, "") << missing;
    }
    EXPECT_TRUE(archive.FormatVersionTime(3, text));
}

TEST_F(VersionRecords, UnreadableArchiveGivesTheFailureResults)
{
    std::string path = MakeFile("broken.txt", "x");
    ArchiveFile archive(path.c_str());
    WriteFileText(scratch_ / archive.archiveName, "this is not an archive at all");
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
}

using WorkingFileTime = ArchiveTest;

TEST_F(WorkingFileTime, FileHeldWithoutReadSharingHasNoTime)
{
    std::string path = MakeFile("held.txt", "busy");
    ArchiveFile archive(path.c_str());
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    char text[kVersionTimeSize] = "stale";
    EXPECT_FALSE(archive.FormatVersionTime(0, text));
    EXPECT_STREQ(text, "");
    CloseHandle(holder);

    // An editor that keeps it open for writing but lets others read does not hide it.
    holder = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(archive.FormatVersionTime(0, text));
    CloseHandle(holder);

    DeleteFileA(path.c_str());
    EXPECT_FALSE(archive.FormatVersionTime(0, text));
}
