// A stand-in for the control-panel applet: when opened it writes the command
// line of the process that opened it to the file named by FY_APPLET_LOG.
#include <windows.h>
#include <cpl.h>

#include <cstring>

extern "C" __declspec(dllexport) LONG APIENTRY CPlApplet(HWND, UINT message, LPARAM index, LPARAM data)
{
    switch (message) {
    case CPL_INIT:
        return TRUE;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        auto* info = reinterpret_cast<CPLINFO*>(data);
        info->idIcon = CPL_DYNAMIC_RES;
        info->idName = CPL_DYNAMIC_RES;
        info->idInfo = CPL_DYNAMIC_RES;
        info->lData = 0;
        return 0;
    }
    case CPL_DBLCLK: {
        char log[MAX_PATH];
        if (GetEnvironmentVariableA("FY_APPLET_LOG", log, MAX_PATH) - 1 >= MAX_PATH - 1)
            return 0;
        HANDLE file = CreateFileA(log, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const char* line = GetCommandLineA();
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
            CloseHandle(file);
        }
        return 0;
    }
    default:
        return 0;
    }
}
