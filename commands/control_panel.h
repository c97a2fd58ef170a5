// The command line that opens the product's control-panel applet.
#pragma once

#include <windows.h>

// Room for "<folder>\RunDLL32 shell32.dll,Control_RunDLL <folder>\<applet>"
// with three 260-byte names.
constexpr size_t kControlPanelCommandSize = 3 * MAX_PATH + 64;

// Writes "<runFolder>\RunDLL32 shell32.dll,Control_RunDLL <appletFolder>\<applet>"
// into command (size bytes). False, with command empty, when it does not fit.
bool BuildControlPanelCommand(char* command, size_t size, const char* runFolder, const char* appletFolder,
                              const char* applet);

// Starts the applet: through the Windows folder's RunDLL32 and, where that
// folder has none (current Windows and Wine keep it in the system folder
// only), through the system folder's. Nothing is reported.
void StartControlPanel();
