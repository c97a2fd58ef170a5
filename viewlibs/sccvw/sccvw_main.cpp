// SCCVW.DLL: the display library. Loading it makes the window class
// "SCCVIEWER" available to every module of the process; unloading it takes
// the class away again.
#include <windows.h>

#include "options.h"

namespace sccvw {
bool RegisterViewerClass(HINSTANCE module);
void UnregisterViewerClass(HINSTANCE module);
}  // namespace sccvw

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        sccvw::g_module = instance;
        DisableThreadLibraryCalls(instance);
        return sccvw::RegisterViewerClass(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        sccvw::UnregisterViewerClass(instance);
        break;
    default:
        break;
    }
    return TRUE;
}
