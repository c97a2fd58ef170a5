#include "version_list_dialog.h"

#include <commctrl.h>

#include "archive_file.h"

namespace {

constexpr UINT_PTR kWatchTimer = 1;

}  // namespace

void VersionListDialog::AttachList(int listId, int readOnly)
{
    list_.Attach(Window(), Item(listId), archive_, readOnly);
    lastChange_ = archive_->LastWriteTime();
    timer_ = SetTimer(Window(), kWatchTimer, kWatchPeriodMs, nullptr);
}

bool VersionListDialog::InStep() const
{
    const FILETIME now = archive_->LastWriteTime();
    return CompareFileTime(&now, &lastChange_) == 0;
}

void VersionListDialog::KeepInStep()
{
    lastChange_ = archive_->LastWriteTime();
}

void VersionListDialog::Watch()
{
    const FILETIME now = archive_->LastWriteTime();
    if (CompareFileTime(&now, &lastChange_) == 0)
        return;
    const bool readable = list_.Refresh();
    if (readable)
        lastChange_ = now;
    OnReloaded(readable);
    UpdateButtons();   // the reload cleared the selection
}

bool VersionListDialog::OnNotify(NMHDR* header, LRESULT* result)
{
    *result = 0;
    if (header->hwndFrom != list_.ListWindow())
        return false;
    if (header->code == NM_CLICK) {
        UpdateButtons();
        return true;
    }
    if (header->code == LVN_COLUMNCLICK) {
        list_.OnColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return true;
    }
    return false;
}

bool VersionListDialog::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam, INT_PTR* result)
{
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        *result = item->hwndItem == list_.ListWindow() ? list_.DrawItem(item) : FALSE;
        return true;
    }
    case WM_TIMER:
        Watch();
        *result = TRUE;
        return true;
    default:
        return false;
    }
}

void VersionListDialog::OnDestroy()
{
    if (timer_)
        KillTimer(Window(), timer_);
    timer_ = 0;
    list_.Detach();
}
