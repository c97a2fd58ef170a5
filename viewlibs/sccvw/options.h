// The viewer's options, shared by every viewer window of the process, and
// the three dialogs that change them.
#pragma once

#include <windows.h>

namespace sccvw {

struct Options {
    // Display
    char fontFace[LF_FACESIZE] = "Courier New";
    int fontPoints = 10;
    bool wrapLines = true;
    // Printing, in millimetres
    int marginLeft = 20;
    int marginTop = 20;
    int marginRight = 20;
    int marginBottom = 20;
    bool printHeader = true;
    // Clipboard
    bool copyRichText = false;
};

Options& CurrentOptions();

// Runs one option dialog (kViewerDisplayOptions, kViewerPrintOptions or
// kViewerClipboardOptions) owned by owner. True when the user accepted new
// choices.
bool RunOptionsDialog(HWND owner, LPARAM which);

extern HINSTANCE g_module;   // the display library's own module

}  // namespace sccvw
