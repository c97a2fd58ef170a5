// Dates of versions. This program runs with TZ=EST5 (five hours west of UTC,
// no daylight saving; see CMakeLists.txt): the local times below are written
// out, so they fail when the zone is not applied.
#include <gtest/gtest.h>

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

using WestOfUtc = ArchiveTest;

TEST_F(WestOfUtc, SavedVersionAndWorkingFileShowTheirLocalTime)
{
    ArchiveFile archive(MakeFile("west.txt", "west").c_str());
    std::string before = FiveHoursAgo();
    CreateArchive(archive);
    std::string after = FiveHoursAgo();
    char text[kVersionTimeSize];
    ASSERT_TRUE(archive.FormatVersionTime(1, text));
    EXPECT_TRUE(text == before || text == after) << text << " is not " << before;

    SYSTEMTIME utc = {2003, 7, 0, 4, 3, 45, 10, 0};
    FILETIME written;
    SystemTimeToFileTime(&utc, &written);
    HANDLE file = CreateFileA(archive.workingPath, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    ASSERT_TRUE(archive.FormatVersionTime(0, text));
    EXPECT_EQ(std::string(text), TextOf(2003, 7, 3, 22, 45));
}

}  // namespace
}  // namespace fytest
