// Module entry of FENNORY.DLL.
#include <windows.h>

#include "module.h"
#include "trace.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        Trace("In DLLMain, DLL_PROCESS_ATTACH\r\n");
        g_hInstance = instance;
        break;
    case DLL_PROCESS_DETACH:
        Trace("In DLLMain, DLL_PROCESS_DETACH\r\n");
        break;
    default:
        break;
    }
    return TRUE;
}
