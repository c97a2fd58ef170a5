#include "version_time.h"

#include <strsafe.h>
#include <ctime>

namespace {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool StampToLocalTime(uint32_t stamp, SYSTEMTIME* local)
{
    int year = 1980 + static_cast<int>(stamp >> 25);
    int month = static_cast<int>((stamp >> 21) & 0x0F);
    int day = static_cast<int>((stamp >> 16) & 0x1F);
    int hour = static_cast<int>((stamp >> 11) & 0x1F);
    int minute = static_cast<int>((stamp >> 5) & 0x3F);
    int second = static_cast<int>(stamp & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return false;

    struct tm utc = {};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    __time64_t instant = _mkgmtime64(&utc);
    if (instant == -1)
        return false;
    // The runtime's rule for the zone, daylight saving of that very date.
    struct tm there;
    if (_localtime64_s(&there, &instant) != 0)
        return false;

    local->wYear = static_cast<WORD>(there.tm_year + 1900);
    local->wMonth = static_cast<WORD>(there.tm_mon + 1);
    local->wDayOfWeek = static_cast<WORD>(there.tm_wday);
    local->wDay = static_cast<WORD>(there.tm_mday);
    local->wHour = static_cast<WORD>(there.tm_hour);
    local->wMinute = static_cast<WORD>(there.tm_min);
    local->wSecond = static_cast<WORD>(there.tm_sec);
    local->wMilliseconds = 0;
    return true;
}

bool FormatLocalTime(const SYSTEMTIME& local, char* text)
{
    text[0] = '\0';
    char date[50], time[50];
    if (GetDateFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE | DATE_SHORTDATE, &local, nullptr,
                       date, sizeof(date)) == 0)
        return false;
    if (GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE | TIME_NOSECONDS, &local, nullptr,
                       time, sizeof(time)) == 0)
        return false;
    // 49 + 1 + 49 characters and the terminator fit the 100 bytes exactly.
    StringCchPrintfA(text, kVersionTimeSize, "%s %s", date, time);
    return true;
}
