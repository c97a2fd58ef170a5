// Versions through the store. The program runs with TZ=EST5 (five hours west
// of UTC, no daylight saving): local times are written out by hand.
#include <cstring>
#include <vector>

#include "archive_fixture.h"
#include "version_time.h"

namespace fytest {
namespace {

// The store's MS-DOS date-time stamp of a moment.
uint32_t Stamp(int year, int month, int day, int hour, int minute, int second)
{
    return static_cast<uint32_t>(year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | second / 2;
}

std::string TextOf(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME local = {year, month, 0, day, hour, minute, 0, 0};
    char text[kVersionTimeSize];
    EXPECT_TRUE(FormatLocalTime(local, text));
    return text;
}

// The local text of a stamp; empty when it names no real moment.
std::string StampText(uint32_t stamp)
{
    SYSTEMTIME local;
    char text[kVersionTimeSize] = "";
    if (StampToLocalTime(stamp, &local))
        FormatLocalTime(local, text);
    return text;
}

// The local text of five hours ago, the zone shifted by hand.
std::string FiveHoursAgo()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks = {{now.dwLowDateTime, now.dwHighDateTime}};
    ticks.QuadPart -= 5ULL * 3600 * 10000000;
    now = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME local;
    FileTimeToSystemTime(&now, &local);
    return TextOf(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
}

using Records = ArchiveTest;

// Versions of several store chunks each read back over a longer file.
TEST_F(Records, VersionsAreCountedListedAndReadBackByteForByteWithFlagAndComment)
{
    ArchiveFile archive(MakeFile("one.txt", "first words").c_str());
    EXPECT_EQ(archive.AddVersion("comment", 0), 0) << "no archive yet";
    EXPECT_FALSE(archive.Exists());
    EXPECT_EQ(archive.CountVersions(), -1);
    EXPECT_EQ(archive.VersionCounter(), -1);
    EXPECT_TRUE(archive.IsWorkingFileNewer());
    std::string before = FiveHoursAgo();
    CreateArchive(archive, 100);
    std::string after = FiveHoursAgo();
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
    char text[kVersionTimeSize];
    ASSERT_TRUE(archive.FormatVersionTime(1, text));
    EXPECT_TRUE(before == text || after == text) << text << " is not " << before;

    std::vector<std::string> contents = {"first words", "version two, longer"};
    for (unsigned i = 0; i < 12; ++i) {
        std::string bytes = BinaryBytes(3 * 1024 * 1024 + 17 * i);
        bytes[1000 + i * 4096] ^= static_cast<char>(0x5A);   // each version differs a little
        contents.push_back(bytes.append(i, '\0'));
        SaveVersion(archive, contents.back());
    }
    contents.push_back(std::string("\0\r\n\x1A\xFF", 5));
    SaveVersion(archive, contents.back());
    EXPECT_EQ(Numbers(archive), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    WriteFileText(retrieved_, std::string(8 * 1024 * 1024, 'z'));
    for (int v = 15; v >= 1; --v)
        EXPECT_TRUE(Retrieved(archive, v) == contents[v - 1]) << "version " << v << " differs";

    std::string packedText(200000, 'a');
    ArchiveFile packed(MakeFile("packed.txt", packedText).c_str());
    ASSERT_EQ(packed.CreateWithFirstVersion(0, 10, 1, 0), 0);
    EXPECT_EQ(packed.IsCompressed(), 1);
    EXPECT_EQ(Retrieved(packed, 1), packedText);
}

TEST_F(Records, WorkingFileTimeIsLocalAndNeedsAFileThatCanBeRead)
{
    std::string path = MakeFile("held.txt", "busy");
    SYSTEMTIME utc = {2003, 7, 0, 4, 3, 45, 10, 0};
    FILETIME written;
    SystemTimeToFileTime(&utc, &written);
    char text[kVersionTimeSize];
    for (DWORD sharing : {0, FILE_SHARE_READ | FILE_SHARE_WRITE}) {
        HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        SetFileTime(holder, nullptr, nullptr, &written);
        strcpy(text, "stale");
        EXPECT_EQ(ArchiveFile(path.c_str()).FormatVersionTime(0, text), sharing != 0) << sharing;
        EXPECT_EQ(text, sharing ? TextOf(2003, 7, 3, 22, 45) : "");
        CloseHandle(holder);
    }
    DeleteFileA(path.c_str());
    EXPECT_FALSE(ArchiveFile(path.c_str()).FormatVersionTime(0, text));
}

class Versions : public ArchiveTest {
protected:
    // Versions 1 (temporary), 2 (permanent), 3 (temporary).
    void SetUp() override
    {
        CreateArchive(archive_);
        SaveVersion(archive_, "two", 1);
        SaveVersion(archive_, "three");
    }

    ArchiveFile archive_{MakeFile("report.doc", "one").c_str()};
};

// Only a permanent version asks; the last version takes the archive along.
TEST_F(Versions, FlagsNumbersAndDeletingWithItsQuestionsAndDamageReported)
{
    EXPECT_EQ(archive_.IsPermanent(1), 0);
    EXPECT_EQ(archive_.IsPermanent(2), 1);
    EXPECT_TRUE(archive_.SetPermanent(1, 1));
    EXPECT_TRUE(archive_.SetPermanent(2, 0));
    EXPECT_EQ(archive_.IsPermanent(1), 1);
    EXPECT_EQ(archive_.IsPermanent(2), 0);
    EXPECT_EQ(archive_.CountTemporaryVersions(), 2);
    EXPECT_EQ(archive_.IsPermanent(9), 0);
    EXPECT_FALSE(archive_.SetPermanent(9, 1));
    std::string out = scratch_ / "missing.out";
    EXPECT_NE(archive_.RetrieveVersion(out.c_str(), 7), 0);
    EXPECT_FALSE(PathExists(out));
    EXPECT_NE(archive_.RetrieveVersion((scratch_.Path() + "\\" + std::string(300, 'n')).c_str(), 1), 0);
    {
        NoMessageBoxes noBox;
        EXPECT_EQ(archive_.DeleteVersion(8), 0) << "one not there stops the caller";
        ASSERT_EQ(archive_.DeleteVersion(2), 1);
    }
    EXPECT_EQ(archive_.CountVersions(), 2);
    EXPECT_EQ(archive_.VersionCounter(), 3) << "the counter holds the latest number given";
    EXPECT_EQ(Numbers(archive_), (std::vector<int>{1, 3}));
    EXPECT_EQ(Retrieved(archive_, 3), "three");
    char text[kVersionTimeSize];
    for (int missing : {2, 9, 65535, -1}) {
        strcpy(text, "stale");
        EXPECT_FALSE(archive_.FormatVersionTime(missing, text)) << missing;
        EXPECT_STREQ(text, "") << missing;
    }
    EXPECT_TRUE(archive_.FormatVersionTime(3, text));
    {
        MessageBoxAnswerer answerer({IDNO, IDCANCEL});
        EXPECT_EQ(archive_.DeleteVersion(1), 1) << "No: keep it and go on with the next";
        EXPECT_EQ(archive_.DeleteVersion(1), 0) << "Cancel: stop";
        EXPECT_EQ(answerer.Boxes().size(), 2u) << "its text is the history page test's";
    }
    EXPECT_EQ(archive_.CountVersions(), 2);

    const std::string sound = ReadFileText(archive_.archivePath);
    const std::string bytes = Damage(archive_);
    out = MakeFile("kept.out", "precious");
    {
        MessageBoxAnswerer answerer({IDOK, IDOK});
        EXPECT_NE(archive_.RetrieveVersion(out.c_str(), 1), 0);
        EXPECT_EQ(archive_.DeleteVersion(3), 0);
        ASSERT_EQ(answerer.Boxes().size(), 2u);
        for (const auto& box : answerer.Boxes())
            ExpectBox(box, DamagedText(archive_), {IDOK}, BoxIcon::Stop);
    }
    EXPECT_EQ(ReadFileText(out), "precious");
    EXPECT_EQ(ReadFileText(archive_.archivePath), bytes);
    WriteFileText(archive_.archivePath, sound);
    {
        MessageBoxAnswerer answerer({IDYES});
        EXPECT_EQ(archive_.DeleteVersion(3), 1);
        EXPECT_EQ(archive_.DeleteVersion(1), 1);
        EXPECT_EQ(answerer.Boxes().size(), 1u);
    }
    EXPECT_FALSE(archive_.Exists());
    EXPECT_EQ(ReadFileText(archive_.workingPath), "three");
    EXPECT_EQ(archive_.DeleteArchive(), 1) << "also when none is there";
}

// Out of range is refused before the warning, even 0 (below the temporaries).
TEST_F(Versions, TemporaryCapIsCheckedRaisedQuietlyLoweredAfterAWarningAndKeptWhenSaving)
{
    EXPECT_EQ(archive_.CountTemporaryVersions(), 2);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 10);
    ArchiveFile none(MakeFile("nothing.txt", "x").c_str());
    EXPECT_EQ(none.GetMaxTempVersions(), 10) << "when the store cannot tell";
    EXPECT_EQ(none.CountTemporaryVersions(), -1);
    MessageBoxAnswerer answerer({IDOK, IDOK, IDCANCEL, IDOK});
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "0"), 0);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "abc"), 0);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 10);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "2"), 1) << "equal to the temporaries";
    EXPECT_EQ(archive_.GetMaxTempVersions(), 2);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, " 32767 "), 1);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 32767);
    SaveVersion(archive_, "four");
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "1"), 0);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 32767);
    EXPECT_EQ(archive_.CountVersions(), 4);
    EXPECT_EQ(archive_.ChangeMaxTempVersions(nullptr, "1"), 1);
    EXPECT_EQ(archive_.GetMaxTempVersions(), 1);
    EXPECT_EQ(Numbers(archive_), (std::vector<int>{2, 4})) << "the permanent version stays";
    SaveVersion(archive_, "five");
    EXPECT_EQ(Numbers(archive_), (std::vector<int>{2, 5})) << "the oldest temporary went";
    EXPECT_EQ(Retrieved(archive_, 5), "five");

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (int i : {0, 1})
        ExpectBox(boxes[i], "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop);
    for (int i : {2, 3})
        ExpectBox(boxes[i],
                  "Warning!  The number of temporary versions exceeds the maximum you have chosen.  "
                  "One or more versions will be deleted.",
                  {IDOK, IDCANCEL}, BoxIcon::Warning);
}

TEST(TempCapText, OnlyWholeNumbersFromOneTo32767)
{
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"32767", 32767}, {"007", 7}, {"\t12 ", 12}, {"0", -1}, {"32768", -1}, {"-3", -1},
        {"99999999999999999999", -1},   // no overflow into range
        {"4294967297", -1}, {"1 2", -1}, {"5x", -1}, {"+5", -1}, {"2.5", -1}, {"   ", -1}, {"", -1},
    };
    for (const auto& [typed, value] : cases)
        EXPECT_EQ(ArchiveFile::ParseMaxTempVersions(typed), value) << "'" << typed << "'";
    EXPECT_EQ(ArchiveFile::ParseMaxTempVersions(nullptr), -1);
}

TEST(VersionStamps, ImpossibleFieldsAreRefusedAndTheRangesEdgesShown)
{
    const uint32_t impossible[] = {
        Stamp(1999, 0, 10, 12, 0, 0),  Stamp(1999, 13, 10, 12, 0, 0), Stamp(1999, 15, 10, 12, 0, 0),
        Stamp(1999, 6, 0, 12, 0, 0),   Stamp(1999, 4, 31, 12, 0, 0),  Stamp(1999, 2, 29, 12, 0, 0),
        Stamp(2100, 2, 29, 12, 0, 0),  Stamp(1999, 6, 10, 24, 0, 0),  Stamp(1999, 6, 10, 31, 0, 0),
        Stamp(1999, 6, 10, 12, 60, 0), Stamp(1999, 6, 10, 12, 0, 60), 0,
    };
    for (uint32_t stamp : impossible)
        EXPECT_EQ(StampText(stamp), "") << std::hex << stamp;
    // Stamps are UTC: early hours fall on the day before; no daylight saving in summer.
    EXPECT_EQ(StampText(Stamp(1999, 10, 29, 14, 30, 20)), TextOf(1999, 10, 29, 9, 30));
    EXPECT_EQ(StampText(Stamp(1999, 10, 29, 2, 0, 0)), TextOf(1999, 10, 28, 21, 0));
    EXPECT_EQ(StampText(Stamp(2000, 1, 1, 4, 59, 58)), TextOf(1999, 12, 31, 23, 59));
    EXPECT_EQ(StampText(Stamp(2004, 3, 1, 0, 15, 0)), TextOf(2004, 2, 29, 19, 15));
    EXPECT_EQ(StampText(Stamp(2010, 7, 15, 12, 0, 0)), TextOf(2010, 7, 15, 7, 0));
    EXPECT_EQ(StampText(Stamp(2000, 2, 29, 12, 0, 0)), TextOf(2000, 2, 29, 7, 0));
    EXPECT_EQ(StampText(Stamp(2107, 6, 30, 12, 0, 0)), TextOf(2107, 6, 30, 7, 0)) << "the last year a stamp holds";
    EXPECT_EQ(StampText(Stamp(1980, 1, 2, 5, 0, 0)), TextOf(1980, 1, 2, 0, 0));
}

}  // namespace
}  // namespace fytest
