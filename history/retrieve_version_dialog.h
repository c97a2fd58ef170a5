// The Retrieve Version dialog: another program's way to let the user pick one
// version of a working file to be written out, or to look at one or two
// versions first. A modal dialog around a read-only version list. Like the
// history page it watches the archive file and reloads the list when someone
// else changes the archive, so the user never retrieves a version that is no
// longer there.
#pragma once

#include <windows.h>

#include "version_list_dialog.h"

class ArchiveFile;

class RetrieveVersionDialog : public VersionListDialog {
public:
    RetrieveVersionDialog(ArchiveFile* archive, const char* destination)
        : VersionListDialog(archive), destination_(destination)
    {
    }

    INT_PTR Run(HWND parent);

private:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnHelp(const HELPINFO* info) override;
    void UpdateButtons() override;

    const char* destination_;
};
