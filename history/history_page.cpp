#include "history_page.h"

#include <commctrl.h>
#include <prsht.h>


#include "archive_file.h"
#include "help.h"
#include "history_print.h"
#include "message.h"
#include "resource.h"
#include "settings.h"
#include "string_res.h"
#include "wait_cursor.h"
#include "win/handle.h"

namespace {

// The up-down control speeds up the longer an arrow is held.
const UDACCEL kMaxTempAcceleration[] = {{1, 1}, {3, 5}, {5, 100}, {7, 1000}};

}  // namespace

HistoryPage::HistoryPage(ArchiveFile* archive, IUnknown* extension) : VersionListDialog(archive), extension_(extension)
{
}

HistoryPage::~HistoryPage()
{
    if (extension_)
        extension_->Release();
}

void HistoryPage::ShowArchiveState(bool readable)
{
    // A damaged archive says so where "(Compressed)" would stand; the rest of
    // the page stays usable.
    char text[256] = "";
    if (!readable)
        LoadStr(IDS_ARCHIVE_UNREADABLE, text);
    else if (archive_->IsCompressed())
        LoadStr(IDS_COMPRESSED, text);
    SetDlgItemTextA(Window(), IDC_COMPRESSED_LABEL, text);
}

BOOL HistoryPage::OnInit()
{
    HWND page = Window();
    AttachList(IDC_HISTORY_LIST, 0);

    DWORD enabled = 0;
    if (!ReadSettingDword(IDS_REG_ENABLE_VERSION_CONTROL, &enabled))
        enabled = 0;
    bool exists = archive_->Exists();
    BOOL usable = (enabled && exists) ? TRUE : FALSE;
    EnableWindow(Item(IDC_HISTORY_LIST), usable);
    EnableWindow(Item(IDC_MAX_TEMP_LABEL), usable);
    EnableWindow(Item(IDC_MAX_TEMP_EDIT), usable);

    SetDlgItemInt(page, IDC_MAX_TEMP_EDIT, static_cast<UINT>(archive_->GetMaxTempVersions()), FALSE);
    ShowArchiveState(true);
    SendDlgItemMessageA(page, IDC_MAX_TEMP_SPIN, UDM_SETRANGE, 0, MAKELPARAM(32767, 1));
    SendDlgItemMessageA(page, IDC_MAX_TEMP_SPIN, UDM_SETACCEL,
                        sizeof(kMaxTempAcceleration) / sizeof(kMaxTempAcceleration[0]),
                        reinterpret_cast<LPARAM>(kMaxTempAcceleration));

    for (int id : {IDC_DELETE_BUTTON, IDC_COPY_BUTTON, IDC_VIEW_MULTIPLE_BUTTON, IDC_VIEW_BUTTON})
        EnableWindow(Item(id), FALSE);
    EnableWindow(Item(IDC_PRINT_HISTORY), exists ? TRUE : FALSE);
    return TRUE;
}

void HistoryPage::UpdateButtons()
{
    int selected = list_.SelectedCount();
    EnableWindow(Item(IDC_DELETE_BUTTON), selected >= 1);
    EnableWindow(Item(IDC_COPY_BUTTON), selected == 1);
    EnableWindow(Item(IDC_VIEW_BUTTON), selected == 1);
    EnableWindow(Item(IDC_VIEW_MULTIPLE_BUTTON), selected == 1 || selected == 2);
    EnableWindow(Item(IDC_PRINT_HISTORY), selected == 1);
}

// No reload while a question about the rows is open.
void HistoryPage::Watch()
{
    if (watching_)
        VersionListDialog::Watch();
}

void HistoryPage::OnReloaded(bool readable)
{
    const BOOL exists = archive_->Exists() ? TRUE : FALSE;
    const int maximum = archive_->GetMaxTempVersions();
    BOOL read = FALSE;
    UINT shown = GetDlgItemInt(Window(), IDC_MAX_TEMP_EDIT, &read, FALSE);
    if (!read || shown != static_cast<UINT>(maximum))
        SetDlgItemInt(Window(), IDC_MAX_TEMP_EDIT, static_cast<UINT>(maximum), FALSE);
    EnableWindow(Item(IDC_MAX_TEMP_EDIT), exists);
    ShowArchiveState(readable);
}

int HistoryPage::Commit()
{
    // When the page shows the archive as it is, what it writes now leaves the
    // rows true.
    const bool inStep = InStep();
    bool trimmed = false;

    // Widths and flags go even when the page stays for a corrected maximum.
    list_.CommitChanges();
    HWND sheet = GetParent(Window());
    if (archive_->Exists()) {
        char typed[64];
        GetDlgItemTextA(Window(), IDC_MAX_TEMP_EDIT, typed, sizeof(typed));
        int maximum = ArchiveFile::ParseMaxTempVersions(typed);
        if (maximum < 0) {
            ShowMessage(Window(), IDS_ERR_MAX_TEMP_RANGE, MB_ICONHAND | MB_OK);
            return 1;
        }
        int temporary = archive_->CountTemporaryVersions();
        if (temporary >= 0 && temporary > maximum) {
            // The watch must not reload the page under the question.
            watching_ = 0;
            int answer = ShowMessage(Window(), IDS_WARN_MAX_TEMP_EXCEEDED, MB_OKCANCEL | MB_ICONEXCLAMATION);
            watching_ = 1;
            if (answer != IDOK)
                return 1;
            trimmed = true;   // the store drops rows the list still shows
        }
        WaitCursor wait;
        archive_->SetMaxTempVersions(maximum);
    }
    if (inStep && !trimmed)
        KeepInStep();
    SendMessageA(sheet, PSM_UNCHANGED, reinterpret_cast<WPARAM>(Window()), 0);
    return 0;
}

void HistoryPage::Delete()
{
    list_.Focus();
    // No reload while the questions are open: the deletion walks the rows
    // as they stand.
    watching_ = 0;
    if (ShowMessage(Window(), IDS_CONFIRM_DELETE_VERSIONS, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        // The reload after the deletions shows them; only a change by
        // someone else since the last look is left to the watch.
        const bool inStep = InStep();
        if (list_.DeleteSelected() && inStep)
            KeepInStep();
        UpdateButtons();
    }
    watching_ = 1;
}

bool HistoryPage::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_PRINT_HISTORY:
            list_.Focus();
            PrintHistory(list_);
            return true;
        case IDC_ABOUT_BUTTON: {
            list_.Focus();
            AboutDialog about;
            about.Run(Window());
            return true;
        }
        case IDC_VIEW_MULTIPLE_BUTTON:
            list_.ViewWithViewer(true);
            return true;
        case IDC_COPY_BUTTON:
            list_.Focus();
            list_.CopySelected(nullptr);
            return true;
        case IDC_DELETE_BUTTON:
            Delete();
            return true;
        case IDC_VIEW_BUTTON:
            list_.ViewWithViewer(false);
            return true;
        default:
            break;
        }
    }
    if (code == EN_CHANGE)
        SendMessageA(GetParent(Window()), PSM_CHANGED, reinterpret_cast<WPARAM>(Window()), 0);
    return false;
}

bool HistoryPage::OnNotify(NMHDR* header, LRESULT* result)
{
    if (header->hwndFrom == list_.ListWindow())
        return VersionListDialog::OnNotify(header, result);
    *result = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        ShowArchiveState(list_.Refresh());
        return true;
    case PSN_KILLACTIVE:
        *result = Commit();
        return true;
    case PSN_HELP:
        ShowHelpTopic(Window(), HELP_TOPIC_BASE + TemplateId());
        return true;
    default:
        return false;
    }
}

void HistoryPage::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(TemplateId(), info);
}

void HistoryPage::OnDestroy()
{
    VersionListDialog::OnDestroy();
    ReleaseViewer();
}
