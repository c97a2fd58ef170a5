// The date-and-time text of a version: the store's packed UTC stamp turned
// into the local time of that instant, in the system locale's short forms.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kVersionTimeSize = 100;   // the text of FormatVersionTime, with the terminator

// Unpacks a stamp in the MS-DOS date-time form (bits 25-31 year - 1980, 21-24
// month, 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds / 2), takes it as UTC
// and gives the local time of that instant, daylight saving judged for that
// date. False for a stamp whose fields name no real moment (month 0, 31
// February, hour 24, ...), so that no made-up date is ever shown.
bool StampToLocalTime(uint32_t stamp, SYSTEMTIME* local);

// "<short date> <time without seconds>" in the system default locale without
// user overrides, into text (kVersionTimeSize bytes). False, text empty, when
// the locale cannot format the moment.
bool FormatLocalTime(const SYSTEMTIME& local, char* text);
