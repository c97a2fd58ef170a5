// The settings the module reads, as the applet loads, checks and writes them.
//
// They live under HKEY_LOCAL_MACHINE\Software\Zentrik\Fennory\Settings and
// apply to every user. Loading opens the key read-only, so an account that
// may not change them still sees them; a missing value shows the default the
// module itself applies. Writing needs the right to set values there.
#pragma once

#include <windows.h>

namespace cpl {

constexpr const char* kSettingsKey = "Software\\Zentrik\\Fennory\\Settings";
constexpr DWORD kMaxTempLowest = 1;
constexpr DWORD kMaxTempHighest = 32767;

struct AppletSettings {
    DWORD enableVersionControl = 0;
    DWORD useCompression = 0;
    DWORD singleLocation = 1;
    DWORD maxTempVersions = 10;
    char versionsPath[260] = "";   // empty: archives lie beside their files
    char versionExclude[260] = "";
    char helpPath[260] = "";
};

// Reads the current settings; values that are missing or unreadable keep the
// defaults above.
void LoadSettings(AppletSettings* settings);

// Writes every setting (an empty folder removes its value). ERROR_SUCCESS, or
// the error of the first step that failed (ERROR_ACCESS_DENIED for an account
// that may not write there).
LONG SaveSettings(const AppletSettings& settings);

// What is wrong with an exclusion list: extensions without dots, separated by
// commas and nothing else (no blanks, no empty entries).
enum class ListProblem { None, EmptyEntry, BadEntry };

// Checks list; for BadEntry the offending entry is copied into bad (cut to fit).
ListProblem CheckExclusionList(const char* list, char* bad, size_t badSize);

// Removes trailing backslashes from a folder, but keeps the one of a root
// such as C:\ (without it, "C:" would name the current folder of drive C).
void TrimFolder(char* folder);

// True for a full path: a drive letter with a backslash, or a UNC name.
bool IsFullPath(const char* path);

// Creates folder and every missing parent. ERROR_SUCCESS when it exists as a
// folder afterwards, otherwise the error (ERROR_ALREADY_EXISTS for a file
// standing in the way).
LONG CreateFolderTree(const char* folder);

}  // namespace cpl
