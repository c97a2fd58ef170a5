// Copy Version As: asks where a version should be written, proposing a name
// beside the working file; Browse opens the save dialog.
#pragma once

#include <windows.h>

#include "win/dialog.h"

class CopyVersionDialog : public win::Dialog {
public:
    // Shows the dialog modally with proposed (cut to 259 characters) in the
    // name box. 1 for OK, with TargetPath() holding the accepted path; 2 for
    // Cancel.
    INT_PTR Run(HWND owner, const char* proposed);

    const char* TargetPath() const { return targetPath_; }

private:
    BOOL OnInit() override;
    void OnOk() override;
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnHelp(const HELPINFO* info) override;
    void Browse();

    char targetPath_[MAX_PATH] = "";
    char folder_[MAX_PATH] = "";
};
