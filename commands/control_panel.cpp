#include "control_panel.h"

#include <cstdio>

#include "resource.h"
#include "string_res.h"

bool BuildControlPanelCommand(char* command, size_t size, const char* runFolder, const char* appletFolder,
                              const char* applet)
{
    if (!command || size == 0)
        return false;
    const int length = snprintf(command, size, "%s\\RunDLL32 shell32.dll,Control_RunDLL %s\\%s", runFolder,
                                appletFolder, applet);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        command[0] = '\0';
        return false;
    }
    return true;
}

void StartControlPanel()
{
    char systemFolder[MAX_PATH];
    char windowsFolder[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(systemFolder, MAX_PATH);
    const UINT windowsLength = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 || windowsLength >= MAX_PATH)
        return;
    char applet[MAX_PATH];
    LoadStr(IDS_APPLET_FILE, applet);

    char command[kControlPanelCommandSize];
    // WinExec answers 31 or less when the program cannot be started.
    if (BuildControlPanelCommand(command, sizeof(command), windowsFolder, systemFolder, applet)
        && WinExec(command, SW_SHOW) > 31)
        return;
    if (BuildControlPanelCommand(command, sizeof(command), systemFolder, systemFolder, applet))
        WinExec(command, SW_SHOW);
}
