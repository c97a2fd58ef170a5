#include "settings_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

#include "cpl_resource.h"
#include "message.h"
#include "module.h"
#include "safe_string.h"
#include "string_res.h"

namespace cpl {

namespace {

void SetCheck(HWND dialog, int id, DWORD value)
{
    CheckDlgButton(dialog, id, value ? BST_CHECKED : BST_UNCHECKED);
}

DWORD GetCheck(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

// Text of a system error, without its line break.
void ErrorText(LONG error, char (&text)[256])
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                        static_cast<DWORD>(error), 0, text, sizeof(text), nullptr))
        wsprintfA(text, "Error %ld.", error);
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        text[--length] = '\0';
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    // Opens the picker at the folder the field names.
    if (message == BFFM_INITIALIZED && data)
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

BOOL SettingsDialog::OnInit()
{
    LoadSettings(&settings_);
    HWND w = Window();
    SetCheck(w, IDC_ENABLE, settings_.enableVersionControl);
    SetCheck(w, IDC_COMPRESSION, settings_.useCompression);
    SetCheck(w, IDC_SINGLE_LOCATION, settings_.singleLocation);
    SendDlgItemMessageA(w, IDC_MAX_TEMP_SPIN, UDM_SETRANGE32, kMaxTempLowest, kMaxTempHighest);
    SetDlgItemInt(w, IDC_MAX_TEMP_EDIT, settings_.maxTempVersions, FALSE);
    // The module reads these into 260-byte buffers: 259 characters at most.
    for (int id : {IDC_VERSIONS_PATH, IDC_EXCLUDE, IDC_HELP_PATH})
        SendDlgItemMessageA(w, id, EM_LIMITTEXT, sizeof(settings_.versionsPath) - 1, 0);
    SendDlgItemMessageA(w, IDC_MAX_TEMP_EDIT, EM_LIMITTEXT, 5, 0);
    SetDlgItemTextA(w, IDC_VERSIONS_PATH, settings_.versionsPath);
    SetDlgItemTextA(w, IDC_EXCLUDE, settings_.versionExclude);
    SetDlgItemTextA(w, IDC_HELP_PATH, settings_.helpPath);
    return TRUE;
}

bool SettingsDialog::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_BROWSE_VERSIONS:
        BrowseFolder(IDC_VERSIONS_PATH, IDS_PICK_VERSIONS_FOLDER);
        return true;
    case IDC_BROWSE_HELP:
        BrowseFolder(IDC_HELP_PATH, IDS_PICK_HELP_FOLDER);
        return true;
    case IDC_HELP_BUTTON:
        ShowHelp();
        return true;
    default:
        return false;
    }
}

bool SettingsDialog::ReadField(int id, const char* what, char (&text)[260])
{
    HWND field = Item(id);
    if (GetWindowTextLengthA(field) >= static_cast<int>(sizeof(text))) {
        ShowMessage(Window(), IDS_ERR_TOO_LONG, MB_OK | MB_ICONEXCLAMATION, what);
        SetFocus(field);
        return false;
    }
    GetWindowTextA(field, text, sizeof(text));
    return true;
}

void SettingsDialog::OnOk()
{
    HWND w = Window();
    AppletSettings s;
    s.enableVersionControl = GetCheck(w, IDC_ENABLE);
    s.useCompression = GetCheck(w, IDC_COMPRESSION);
    s.singleLocation = GetCheck(w, IDC_SINGLE_LOCATION);

    BOOL numeric = FALSE;
    UINT cap = GetDlgItemInt(w, IDC_MAX_TEMP_EDIT, &numeric, FALSE);
    if (!numeric || cap < kMaxTempLowest || cap > kMaxTempHighest) {
        ShowMessage(w, IDS_ERR_CAP_RANGE, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(Item(IDC_MAX_TEMP_EDIT));
        return;
    }
    s.maxTempVersions = cap;

    if (!ReadField(IDC_VERSIONS_PATH, "The versions folder", s.versionsPath) ||
        !ReadField(IDC_EXCLUDE, "The list of file types", s.versionExclude) ||
        !ReadField(IDC_HELP_PATH, "The help folder", s.helpPath))
        return;

    char bad[260];
    switch (CheckExclusionList(s.versionExclude, bad, sizeof(bad))) {
    case ListProblem::EmptyEntry:
        ShowMessage(w, IDS_ERR_EXCLUDE_EMPTY, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(Item(IDC_EXCLUDE));
        return;
    case ListProblem::BadEntry:
        ShowMessage(w, IDS_ERR_EXCLUDE_PIECE, MB_OK | MB_ICONEXCLAMATION, bad);
        SetFocus(Item(IDC_EXCLUDE));
        return;
    case ListProblem::None:
        break;
    }

    TrimFolder(s.versionsPath);
    TrimFolder(s.helpPath);
    if (s.versionsPath[0] != '\0') {
        if (!IsFullPath(s.versionsPath)) {
            ShowMessage(w, IDS_ERR_NOT_FULL_PATH, MB_OK | MB_ICONEXCLAMATION);
            SetFocus(Item(IDC_VERSIONS_PATH));
            return;
        }
        LONG created = CreateFolderTree(s.versionsPath);
        if (created != ERROR_SUCCESS) {
            char reason[256];
            ErrorText(created, reason);
            ShowMessage(w, IDS_ERR_CREATE_FOLDER, MB_OK | MB_ICONEXCLAMATION, s.versionsPath, reason);
            SetFocus(Item(IDC_VERSIONS_PATH));
            return;
        }
    }

    LONG saved = SaveSettings(s);
    if (saved == ERROR_ACCESS_DENIED) {
        ShowMessage(w, IDS_ERR_WRITE_DENIED, MB_OK | MB_ICONSTOP);
        return;
    }
    if (saved != ERROR_SUCCESS) {
        char reason[256];
        ErrorText(saved, reason);
        ShowMessage(w, IDS_ERR_WRITE_FAILED, MB_OK | MB_ICONSTOP, reason);
        return;
    }
    settings_ = s;
    End(IDOK);
}

bool SettingsDialog::BrowseFolder(int fieldId, UINT titleId)
{
    char title[256], current[260] = "", chosen[MAX_PATH] = "";
    LoadStr(titleId, title);
    GetDlgItemTextA(Window(), fieldId, current, sizeof(current));
    BROWSEINFOA info = {};
    info.hwndOwner = Window();
    info.pszDisplayName = chosen;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = current[0] ? reinterpret_cast<LPARAM>(current) : 0;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info);
    if (!list)
        return false;   // cancelled
    bool ok = SHGetPathFromIDListA(list, chosen) && chosen[0] != '\0';
    CoTaskMemFree(list);
    if (ok)
        SetDlgItemTextA(Window(), fieldId, chosen);
    return ok;
}

void SettingsDialog::ShowHelp()
{
    // The help file in the help folder as saved (the module finds it the
    // same way); the bare name when no folder is set.
    AppletSettings saved;
    LoadSettings(&saved);
    char name[64], path[260] = "";
    LoadStr(IDS_HELP_FILE, name);
    if (saved.helpPath[0] == '\0' || !JoinPath(path, saved.helpPath, name))
        CopyText(path, name);
    WinHelpA(Window(), path, HELP_CONTEXT, 0x20000 + IDD_SETTINGS);
}

void SettingsDialog::OnHelp(const HELPINFO*)
{
    ShowHelp();
}

}  // namespace cpl
