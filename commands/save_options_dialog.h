// The New Version dialog (a first version, with the new archive's settings)
// and the Version Properties dialog (a comment and the permanent flag), both
// editing one SaveOptions record.
#pragma once

#include "win/dialog.h"

class SaveOptions;

class SaveOptionsDialog : public win::Dialog {
public:
    explicit SaveOptionsDialog(SaveOptions& options) : options_(options) {}

    // IDOK, IDCANCEL, or -1 when the dialog cannot be created.
    INT_PTR Run(HWND parent);

private:
    BOOL OnInit() override;
    void OnOk() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnHelp(const HELPINFO* info) override;

    SaveOptions& options_;
};
