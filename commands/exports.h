// The module's exports for other programs: save a version of one file, open
// its history, retrieve one of its versions, ask for its archive, and open
// the control-panel applet. Paths are full ANSI paths of at most 259
// characters; a longer one is refused with a message.
#pragma once

#include <windows.h>

#include "store_records.h"   // VersionInfo, what FYInfo tells of a working file

extern "C" {
void WINAPI FYArchive(HWND parent, const char* path);
void WINAPI FYControlPanel();
void WINAPI FYInfo(const char* path, VersionInfo* info);
void WINAPI FYRetrieve(HWND parent, const char* path);
// 1 after Retrieve, 2 after Cancel, -1 when the dialog cannot be shown.
int WINAPI FYRetrieveEx(HWND parent, const char* path, const char* destination);
}
