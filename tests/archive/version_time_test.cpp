// Stamps that name no real moment are never shown as a date.
#include <gtest/gtest.h>

#include "stamp_test.h"
#include "version_time.h"

TEST(VersionStamps, ImpossibleFieldsAreRefused)
{
    SYSTEMTIME local;
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 0, 10, 12, 0, 0), &local)) << "month 0";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 13, 10, 12, 0, 0), &local)) << "month 13";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 15, 10, 12, 0, 0), &local)) << "month 15";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 6, 0, 12, 0, 0), &local)) << "day 0";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 4, 31, 12, 0, 0), &local)) << "31 April";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 2, 29, 12, 0, 0), &local)) << "29 February of a common year";
    EXPECT_FALSE(StampToLocalTime(PackStamp(2100, 2, 29, 12, 0, 0), &local)) << "2100 is no leap year";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 6, 10, 24, 0, 0), &local)) << "hour 24";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 6, 10, 31, 0, 0), &local)) << "hour 31";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 6, 10, 12, 60, 0), &local)) << "minute 60";
    EXPECT_FALSE(StampToLocalTime(PackStamp(1999, 6, 10, 12, 0, 60), &local)) << "second 60";
    EXPECT_FALSE(StampToLocalTime(0, &local)) << "an all-zero stamp";
}

TEST(VersionStamps, EdgesOfTheRangeAreShown)
{
    SYSTEMTIME local;
    EXPECT_TRUE(StampToLocalTime(PackStamp(2000, 2, 29, 12, 0, 0), &local)) << "29 February 2000";
    EXPECT_TRUE(StampToLocalTime(PackStamp(1999, 12, 31, 23, 59, 58), &local));
    EXPECT_TRUE(StampToLocalTime(PackStamp(2107, 6, 30, 12, 0, 0), &local)) << "the last year a stamp holds";
    EXPECT_TRUE(StampToLocalTime(PackStamp(1980, 1, 2, 0, 0, 0), &local));
}
