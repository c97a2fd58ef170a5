#include "destination_dialogs.h"

#include <commdlg.h>

#include "module.h"
#include "resource.h"
#include "safe_string.h"

bool AskDestinationFile(HWND owner, const char* title, const char* initialFolder, const char* filter,
                        char (&path)[MAX_PATH])
{
    // One filter whose pattern is empty: the dialog keeps the name's own type.
    static const char kSameType[] = "SAME TYPE\0\0";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.hInstance = g_hInstance;
    dialog.lpstrFilter = filter ? filter : kSameType;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof(path);
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetSaveFileNameA(&dialog) != FALSE;
}

bool AskDestinationFolder(HWND owner, const char* title, const char* initialFolder, char (&folder)[MAX_PATH])
{
    char path[MAX_PATH] = "DUMMY.BAK";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.hInstance = g_hInstance;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof(path);
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title;
    dialog.lpTemplateName = MAKEINTRESOURCEA(IDD_PICK_FOLDER);
    // The folder list changes the current directory as the user walks it;
    // OFN_NOCHANGEDIR puts it back, so the host never keeps the chosen folder
    // busy afterwards.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog))
        return false;

    // Cut the returned path before its file name.
    WORD nameOffset = dialog.nFileOffset;
    if (nameOffset >= sizeof(path))
        return false;
    if (nameOffset > 0 && path[nameOffset - 1] == '\\')
        path[nameOffset - 1] = '\0';
    else
        path[nameOffset] = '\0';
    return CopyText(folder, path);
}
