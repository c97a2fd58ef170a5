// The options of one save, as the New Version and Version Properties dialogs
// edit them. Nothing here is written back to the settings: the dialog's
// choices apply to this one save.
#pragma once

#include <windows.h>

class SaveOptions {
public:
    // Sets the defaults, then reads UseCompression, SingleLocation and
    // MaxTempVersions; a setting that cannot be read keeps its default. The
    // comment is left for the command to fill.
    SaveOptions();

    // Runs the New Version dialog (newArchive set) or the Version Properties
    // dialog, modal to parent: IDOK, IDCANCEL, or -1 when it cannot be created.
    INT_PTR RunDialog(HWND parent);

    int permanent = 0;
    char comment[129];             // at most 128 characters
    int useCompression = 0;
    int singleLocation = 1;
    int maxTempVersions = 10;
    int newArchive = 0;            // 1: New Version (113), 0: Version Properties (105)
    const char* titleName = nullptr;
};

// The cap of temporary versions a new archive may be given.
constexpr int kMinTempVersions = 1;
constexpr int kMaxTempVersions = 32767;
