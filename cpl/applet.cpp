// fenncpl.cpl: the Control Panel applet of Fennory. One applet, whose dialog
// edits the machine-wide settings the module reads.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include "cpl_resource.h"
#include "module.h"
#include "settings_dialog.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" LONG CALLBACK CPlApplet(HWND parent, UINT message, LPARAM param1, LPARAM param2)
{
    switch (message) {
    case CPL_INIT: {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        return TRUE;
    }
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        CPLINFO* info = reinterpret_cast<CPLINFO*>(param2);
        if (param1 != 0 || !info)
            return 1;
        info->idIcon = IDI_APPLET;
        info->idName = IDS_APPLET_NAME;
        info->idInfo = IDS_APPLET_INFO;
        info->lData = 0;
        return 0;
    }
    case CPL_DBLCLK:
    case CPL_STARTWPARMSA: {
        cpl::SettingsDialog dialog;
        dialog.RunModal(g_hInstance, IDD_SETTINGS, parent);
        return message == CPL_STARTWPARMSA ? TRUE : 0;
    }
    case CPL_STOP:
    case CPL_EXIT:
    default:
        return 0;
    }
}
