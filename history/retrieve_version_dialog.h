// The Retrieve Version dialog: another program's way to let the user pick one
// version of a working file to be written out, or to look at one or two
// versions first. A modal dialog around a read-only version list. Like the
// history page it watches the archive file and reloads the list when someone
// else changes the archive, so the user never retrieves a version that is no
// longer there.
#pragma once

#include <windows.h>

#include "version_list.h"
#include "win/dialog.h"

class ArchiveFile;

class RetrieveVersionDialog : public win::Dialog {
public:
    // Neither the archive nor the destination is owned. A null destination
    // makes Retrieve ask for the target with the Copy Version As dialog.
    RetrieveVersionDialog(ArchiveFile* archive, const char* destination)
        : archive_(archive), destination_(destination)
    {
    }

    // 1 after Retrieve, 2 after Cancel, -1 when the dialog cannot be created.
    INT_PTR Run(HWND parent);

    // The period of the change watch.
    static constexpr UINT kWatchPeriodMs = 500;

private:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT* result) override;
    void OnHelp(const HELPINFO* info) override;
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

    // View exactly one selected row, Retrieve too; View Multiple exactly two.
    void UpdateButtons();
    // Reloads the list when the archive file's last write has moved.
    void Watch();

    VersionList list_;
    ArchiveFile* archive_;
    UINT_PTR timer_ = 0;
    FILETIME lastChange_ = {};
    const char* destination_;
};
