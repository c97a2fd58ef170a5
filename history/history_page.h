// The history page: one property page that shows a working file's versions
// and lets the user mark them permanent, view, copy out, delete and print
// them, and change the archive's cap of temporary versions. It watches the
// archive file and reloads when someone else changes it; its changes are
// written when the page is left (PSN_KILLACTIVE).
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "version_list_dialog.h"
#include "win/dialog.h"

class ArchiveFile;

class HistoryPage : public VersionListDialog {
public:
    // The archive stays the caller's. extension is the shell extension that
    // made the page (null for a sheet of its own); the page takes over one
    // reference to it and releases it when it goes.
    HistoryPage(ArchiveFile* archive, IUnknown* extension);
    ~HistoryPage() override;

    VersionList& List() { return list_; }

    // The period of the change watch.
private:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT* result) override;
    void OnHelp(const HELPINFO* info) override;
    void OnDestroy() override;
    void UpdateButtons() override;
    void Watch() override;
    void OnReloaded(bool readable) override;

    void ShowArchiveState(bool readable);
    // PSN_KILLACTIVE: 0 lets the page go, 1 keeps it.
    int Commit();
    // The viewer's release (version_view.cpp).
    void ReleaseViewer();
    void Delete();

    IUnknown* extension_;
    int watching_ = 1;
};

// The About box, centred on the window that owns it.
class AboutDialog : public win::Dialog {
public:
    INT_PTR Run(HWND owner);

private:
    BOOL OnInit() override;
    void OnHelp(const HELPINFO* info) override;
};
