#include "copy_version_dialog.h"

#include "destination_dialogs.h"
#include "help.h"
#include "message.h"
#include "module.h"
#include "path_util.h"
#include "resource.h"
#include "safe_string.h"
#include "string_res.h"

INT_PTR CopyVersionDialog::Run(HWND owner, const char* proposed)
{
    CopyText(targetPath_, proposed);
    SplitPath(targetPath_, folder_, nullptr);
    return RunModal(g_hInstance, IDD_COPY_VERSION, owner);
}

BOOL CopyVersionDialog::OnInit()
{
    SendDlgItemMessageA(Window(), IDC_TARGET_PATH_EDIT, EM_LIMITTEXT, sizeof(targetPath_) - 1, 0);
    SetDlgItemTextA(Window(), IDC_TARGET_PATH_EDIT, targetPath_);
    return TRUE;
}

void CopyVersionDialog::OnOk()
{
    GetDlgItemTextA(Window(), IDC_TARGET_PATH_EDIT, targetPath_, sizeof(targetPath_));
    if (!targetPath_[0]) {
        MessageBeep(MB_ICONHAND);   // no name: nothing to write to
        return;
    }
    if (FileExists(targetPath_) &&
        ShowMessageEx(Window(), IDS_RETRIEVE_AS, IDS_CONFIRM_REPLACE_FILE, MB_YESNO | MB_ICONEXCLAMATION,
                      targetPath_) != IDYES)
        return;   // another name, then
    End(1);
}

void CopyVersionDialog::OnCancel()
{
    End(2);
}

bool CopyVersionDialog::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_HELP_BUTTON:
        ShowHelpTopic(Window(), HELP_TOPIC_BASE + TemplateId());
        return true;
    case IDC_BROWSE:
        Browse();
        return true;
    default:
        return false;
    }
}

void CopyVersionDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(TemplateId(), info);
}

void CopyVersionDialog::Browse()
{
    char title[100];
    LoadStr(IDS_RETRIEVE_AS, title);
    // "All Files@*.*@": every '@' becomes a NUL, which closes the last pair
    // with the double NUL the dialog expects.
    char filter[256 + 1] = {};
    LoadStr(IDS_ALL_FILES_FILTER, filter, 256);
    for (char* p = filter; *p; p = CharNextA(p)) {
        if (*p == '@')
            *p = '\0';
    }

    // The save dialog starts from the proposed name (or the one OK last
    // read), not from what was typed since.
    if (!AskDestinationFile(Window(), title, folder_, filter, targetPath_))
        return;
    // The save dialog has asked about replacing already.
    SetDlgItemTextA(Window(), IDC_TARGET_PATH_EDIT, targetPath_);
    End(1);
}
