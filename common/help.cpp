#include "help.h"

#include "resource.h"
#include "module.h"
#include "safe_string.h"
#include "settings.h"
#include "string_res.h"

namespace {

WinHelpEntry g_winHelp = WinHelpA;

}  // namespace

WinHelpEntry SetWinHelpEntry(WinHelpEntry entry)
{
    WinHelpEntry previous = g_winHelp;
    g_winHelp = entry ? entry : WinHelpA;
    return previous;
}

void GetHelpFilePath(char (&path)[260])
{
    if (!ReadSettingText(IDS_REG_HELP_PATH, path, sizeof(path)))
        path[0] = '\0';
    if (path[0] != '\0')
        AppendText(path, "\\");
    char name[260];
    LoadStr(IDS_HELP_FILE, name);
    if (!AppendText(path, name))
        CopyText(path, name);   // a folder too long to join: fall back on the name alone
}

void ShowHelpTopic(HWND owner, DWORD topic)
{
    char path[260];
    GetHelpFilePath(path);
    g_winHelp(owner, path, HELP_CONTEXT, topic);
}

const DWORD* LoadHelpIds(UINT dialogId)
{
    HRSRC found = FindResourceA(g_hInstance, MAKEINTRESOURCEA(dialogId), MAKEINTRESOURCEA(RT_HELPIDS));
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(g_hInstance, found);
    return loaded ? static_cast<const DWORD*>(LockResource(loaded)) : nullptr;
}

namespace {

// The pairs of a table, past its leading pair when that one starts with 0.
const DWORD* PairsOf(const DWORD* table)
{
    return table[0] == 0 ? table + 2 : table;
}

}  // namespace

DWORD FindHelpId(UINT dialogId, int controlId)
{
    const DWORD* table = LoadHelpIds(dialogId);
    if (!table)
        return 0;
    for (const DWORD* pair = PairsOf(table); pair[0] != 0; pair += 2) {
        if (static_cast<int>(pair[0]) == controlId)
            return pair[1];
    }
    return 0;
}

void ShowContextHelp(UINT dialogId, const HELPINFO* info)
{
    const DWORD* table = LoadHelpIds(dialogId);
    if (!table || !info)
        return;
    char path[260];
    GetHelpFilePath(path);
    HWND control = static_cast<HWND>(info->hItemHandle);
    if (g_winHelp(control, path, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(PairsOf(table))))
        return;
    // Help engines without pop-up help refuse HELP_WM_HELP; open the control's
    // topic in the main window instead.
    DWORD topic = FindHelpId(dialogId, info->iCtrlId);
    if (topic != 0)
        g_winHelp(control, path, HELP_CONTEXT, topic);
}
