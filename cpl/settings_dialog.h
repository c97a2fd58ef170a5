// The applet's one dialog: every setting the module reads, checked on OK and
// written machine-wide. A failed check or a refused write is reported and
// the dialog stays open with everything the user typed.
#pragma once

#include <windows.h>

#include "applet_settings.h"
#include "win/dialog.h"

namespace cpl {

class SettingsDialog : public win::Dialog {
public:
    SettingsDialog() = default;

protected:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOk() override;
    void OnHelp(const HELPINFO* info) override;

private:
    // Reads a text field; false (after a message naming the field) when it
    // holds more than fits the module's 260-byte buffers.
    bool ReadField(int id, const char* what, char (&text)[260]);
    bool BrowseFolder(int fieldId, UINT titleId);
    void ShowHelp();

    AppletSettings settings_;
};

}  // namespace cpl
