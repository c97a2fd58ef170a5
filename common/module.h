// Module-wide handles.
#pragma once

#include <windows.h>

// The module every string, dialog, icon and help table is loaded from: the
// DLL's own handle, or the test program's when the code is linked into one.
extern HINSTANCE g_hInstance;
