// Module entry of FENNORY.DLL and its two COM exports.
#include <windows.h>

#include "module.h"
#include "server.h"
#include "trace.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        Trace("In DLLMain, DLL_PROCESS_ATTACH\r\n");
        g_hInstance = instance;
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        Trace("In DLLMain, DLL_PROCESS_DETACH\r\n");
        // At process exit the loader is tearing everything down anyway;
        // freeing libraries from here then is unsafe.
        if (!reserved)
            UnloadViewerLibraries();
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    Trace("In DLLCanUnloadNow\r\n");
    return g_objectCount == 0 && ViewerFrameCount == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out)
{
    Trace("In DllGetClassObject\r\n");
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_FennoryShellExtension))
        return CLASS_E_CLASSNOTAVAILABLE;
    return CreateComObject<CShellExtClassFactory>(riid, out);
}
