// The dialog procedure shared by the New Version dialog (a first version, with
// the new archive's settings) and the Version Properties dialog (a comment and
// the permanent flag). The SaveOptions record travels as the creation
// parameter and lives in the dialog's user data.
#pragma once

#include <windows.h>

class SaveOptions;

class SaveOptionsDialog {
public:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    explicit SaveOptionsDialog(SaveOptions& options) : options_(options) {}
    UINT DialogId() const;
    void OnInitDialog();
    void OnOk();
    void OnHelpButton();
    void OnContextHelp(const HELPINFO* info);

    SaveOptions& options_;
};
