#include "save_options_dialog.h"

#include <commctrl.h>

#include <strsafe.h>

#include "help.h"
#include "message.h"
#include "module.h"
#include "resource.h"
#include "save_options.h"
#include "string_res.h"

namespace {

// The up-down control speeds up the longer an arrow is held.
const UDACCEL kMaxTempAcceleration[] = {{1, 1}, {3, 5}, {5, 100}, {7, 1000}};

}  // namespace

INT_PTR SaveOptionsDialog::Run(HWND parent)
{
    return RunModal(g_hInstance, options_.newArchive ? IDD_NEW_VERSION : IDD_SAVE_PROPERTIES, parent);
}

BOOL SaveOptionsDialog::OnInit()
{
    HWND dialog = Window();
    if (options_.newArchive) {
        CheckDlgButton(dialog, IDC_FIRST_PERMANENT_CHECK, options_.permanent ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_COMPRESSION_CHECK, options_.useCompression ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_SINGLE_LOCATION_CHECK, options_.singleLocation ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemInt(dialog, IDC_NEW_MAX_TEMP_EDIT, static_cast<UINT>(options_.maxTempVersions), FALSE);
        SendDlgItemMessageA(dialog, IDC_NEW_MAX_TEMP_SPIN, UDM_SETRANGE32, kMinTempVersions, kMaxTempVersions);
        SendDlgItemMessageA(dialog, IDC_NEW_MAX_TEMP_SPIN, UDM_SETACCEL,
                            sizeof(kMaxTempAcceleration) / sizeof(kMaxTempAcceleration[0]),
                            reinterpret_cast<LPARAM>(kMaxTempAcceleration));
    } else {
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, options_.permanent ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemTextA(dialog, IDC_COMMENT_EDIT, options_.comment);
        SendDlgItemMessageA(dialog, IDC_COMMENT_EDIT, EM_LIMITTEXT, sizeof(options_.comment) - 1, 0);
    }

    char format[100];
    LoadStr(options_.newArchive ? IDS_NEW_VERSION_TITLE : IDS_VERSION_PROPERTIES_TITLE, format);
    char title[400];   // the format and a 260-byte name; a longer name is cut
    StringCchPrintfA(title, ARRAYSIZE(title), format, options_.titleName ? options_.titleName : "");
    SetWindowTextA(dialog, title);
    return TRUE;
}

void SaveOptionsDialog::OnOk()
{
    HWND dialog = Window();
    if (options_.newArchive) {
        options_.permanent = IsDlgButtonChecked(dialog, IDC_FIRST_PERMANENT_CHECK) == BST_CHECKED;
        options_.useCompression = IsDlgButtonChecked(dialog, IDC_COMPRESSION_CHECK) == BST_CHECKED;
        options_.singleLocation = IsDlgButtonChecked(dialog, IDC_SINGLE_LOCATION_CHECK) == BST_CHECKED;
        BOOL read = FALSE;
        UINT maximum = GetDlgItemInt(dialog, IDC_NEW_MAX_TEMP_EDIT, &read, FALSE);
        if (!read || maximum < static_cast<UINT>(kMinTempVersions) || maximum > static_cast<UINT>(kMaxTempVersions)) {
            // The dialog stays for a corrected number.
            ShowMessage(dialog, IDS_ERR_MAX_TEMP_RANGE, MB_ICONHAND | MB_OK);
            SetFocus(GetDlgItem(dialog, IDC_NEW_MAX_TEMP_EDIT));
            SendDlgItemMessageA(dialog, IDC_NEW_MAX_TEMP_EDIT, EM_SETSEL, 0, -1);
            return;
        }
        options_.maxTempVersions = static_cast<int>(maximum);
    } else {
        options_.permanent = IsDlgButtonChecked(dialog, IDC_PERMANENT_CHECK) == BST_CHECKED;
        GetDlgItemTextA(dialog, IDC_COMMENT_EDIT, options_.comment, sizeof(options_.comment));
    }
    End(IDOK);
}

bool SaveOptionsDialog::OnCommand(int id, int code, HWND control)
{
    if (id != IDC_HELP_BUTTON)
        return false;
    ShowHelpTopic(Window(), HELP_TOPIC_BASE + TemplateId());
    return true;
}

void SaveOptionsDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(TemplateId(), info);
}
