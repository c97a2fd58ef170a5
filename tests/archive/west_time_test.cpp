// Dates of versions in a zone five hours west of UTC without daylight saving.
// This program runs with TZ=EST5 (see CMakeLists.txt); the expected local
// times below are written out, so the tests fail when the zone is not applied.
#include <gtest/gtest.h>

#include "archive_fixture.h"
#include "stamp_test.h"
#include "version_time.h"

using fytest::ArchiveTest;

namespace {

std::string TextOf(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME local = {year, month, 0, day, hour, minute, 0, 0};
    char text[kVersionTimeSize];
    EXPECT_TRUE(FormatLocalTime(local, text));
    return text;
}

std::string StampText(uint32_t stamp)
{
    SYSTEMTIME local;
    char text[kVersionTimeSize] = "";
    if (StampToLocalTime(stamp, &local))
        FormatLocalTime(local, text);
    return text;
}

// The local text of a UTC moment, shifted by hand rather than by the zone rules.
std::string FiveHoursEarlier(const SYSTEMTIME& utc)
{
    FILETIME moment;
    SystemTimeToFileTime(&utc, &moment);
    ULARGE_INTEGER ticks;
    ticks.LowPart = moment.dwLowDateTime;
    ticks.HighPart = moment.dwHighDateTime;
    ticks.QuadPart -= 5ULL * 3600 * 10000000;
    moment.dwLowDateTime = ticks.LowPart;
    moment.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME local;
    FileTimeToSystemTime(&moment, &local);
    return TextOf(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
}

}  // namespace

TEST(WestOfUtc, StampsAreFiveHoursEarlierWithoutDaylightSaving)
{
    // An afternoon stamp is the morning of the same day.
    EXPECT_EQ(StampText(PackStamp(1999, 10, 29, 14, 30, 20)), TextOf(1999, 10, 29, 9, 30));
    // Early stamps fall on the day before, across a month and a year too.
    EXPECT_EQ(StampText(PackStamp(1999, 10, 29, 2, 0, 0)), TextOf(1999, 10, 28, 21, 0));
    EXPECT_EQ(StampText(PackStamp(2000, 1, 1, 4, 59, 58)), TextOf(1999, 12, 31, 23, 59));
    EXPECT_EQ(StampText(PackStamp(2004, 3, 1, 0, 15, 0)), TextOf(2004, 2, 29, 19, 15));
    // Summer: no daylight saving in this zone.
    EXPECT_EQ(StampText(PackStamp(2010, 7, 15, 12, 0, 0)), TextOf(2010, 7, 15, 7, 0));
}

using WestOfUtcArchive = ArchiveTest;

TEST_F(WestOfUtcArchive, SavedVersionShowsTheLocalTimeOfTheSave)
{
    ArchiveFile archive(MakeFile("west.txt", "west").c_str());
    SYSTEMTIME before, after;
    GetSystemTime(&before);
    CreateArchive(archive);
    GetSystemTime(&after);
    char text[kVersionTimeSize];
    ASSERT_TRUE(archive.FormatVersionTime(1, text));
    EXPECT_TRUE(text == FiveHoursEarlier(before) || text == FiveHoursEarlier(after))
        << text << " is not " << FiveHoursEarlier(before);
}

TEST_F(WestOfUtcArchive, WorkingFileTimeIsShiftedToo)
{
    std::string path = MakeFile("west0.txt", "zero");
    SYSTEMTIME utc = {2003, 7, 0, 4, 3, 45, 10, 0};
    FILETIME written;
    SystemTimeToFileTime(&utc, &written);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);

    ArchiveFile archive(path.c_str());
    char text[kVersionTimeSize];
    ASSERT_TRUE(archive.FormatVersionTime(0, text));
    EXPECT_EQ(std::string(text), TextOf(2003, 7, 3, 22, 45));
}
