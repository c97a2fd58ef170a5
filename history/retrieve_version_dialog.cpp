#include "retrieve_version_dialog.h"

#include <commctrl.h>

#include "archive_file.h"
#include "help.h"
#include "message.h"
#include "module.h"
#include "resource.h"
#include "viewer_libraries.h"
#include "win/handle.h"

namespace {

constexpr UINT_PTR kWatchTimer = 1;

}  // namespace

INT_PTR RetrieveVersionDialog::Run(HWND parent)
{
    return RunModal(g_hInstance, IDD_RETRIEVE_VERSION, parent);
}

BOOL RetrieveVersionDialog::OnInit()
{
    list_.Attach(Window(), Item(IDC_RETRIEVE_LIST), archive_, 1);
    list_.Refresh();
    lastChange_ = archive_->LastWriteTime();
    timer_ = SetTimer(Window(), kWatchTimer, kWatchPeriodMs, nullptr);
    return TRUE;
}

void RetrieveVersionDialog::OnDestroy()
{
    if (timer_)
        KillTimer(Window(), timer_);
    timer_ = 0;
    list_.Detach();
}

void RetrieveVersionDialog::Watch()
{
    const FILETIME now = archive_->LastWriteTime();
    if (CompareFileTime(&now, &lastChange_) == 0)
        return;
    // A list that could not be read keeps the old time, so the next tick
    // tries again.
    if (list_.Refresh())
        lastChange_ = now;
    UpdateButtons();   // the reload cleared the selection
}

void RetrieveVersionDialog::UpdateButtons()
{
    const int selected = list_.SelectedCount();
    EnableWindow(Item(IDC_RETRIEVE_VIEW), selected == 1);
    EnableWindow(Item(IDC_RETRIEVE_VIEW_MULTIPLE), selected == 2);
    EnableWindow(Item(IDC_RETRIEVE_BUTTON), selected == 1);
}

bool RetrieveVersionDialog::OnCommand(int id, int /*code*/, HWND /*control*/)
{
    switch (id) {
    case IDC_HELP_BUTTON:
        ShowHelpTopic(Window(), HELP_TOPIC_RETRIEVE_VERSION);
        return true;
    case IDC_RETRIEVE_VIEW:
        list_.ViewWithViewer(false);
        return true;
    case IDC_RETRIEVE_VIEW_MULTIPLE:
        list_.ViewWithViewer(true);
        return true;
    case IDC_RETRIEVE_BUTTON:
        // The copy reports its own failures; the dialog ends either way.
        list_.Focus();
        list_.CopySelected(destination_);
        End(1);
        return true;
    default:
        return false;
    }
}

bool RetrieveVersionDialog::OnNotify(NMHDR* header, LRESULT* result)
{
    *result = 0;
    if (header->idFrom != IDC_RETRIEVE_LIST)
        return false;
    if (header->code == NM_CLICK)
        UpdateButtons();
    else if (header->code == LVN_COLUMNCLICK)
        list_.OnColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    return true;
}

void RetrieveVersionDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(IDD_RETRIEVE_VERSION, info);
}

bool RetrieveVersionDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    if (message == WM_DRAWITEM && wParam == IDC_RETRIEVE_LIST) {
        *result = list_.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return true;
    }
    if (message == WM_TIMER) {
        Watch();
        *result = TRUE;
        return true;
    }
    return false;
}
