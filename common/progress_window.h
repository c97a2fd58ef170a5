// The small modeless window of a loop over files: a text line, a progress bar
// and a Cancel button. There is no worker thread; the loop lets the window
// breathe by draining its messages whenever it steps or asks for Cancel.
//
// Every operation is harmless when the window was never created, so a loop
// over one file runs the same code without showing anything.
#pragma once

#include <windows.h>

#include "win/dialog.h"

// The window goes with the object: a loop that returns early leaves nothing
// behind.
class ProgressWindow : public win::Dialog {
public:
    ProgressWindow() = default;

    // Shows dialog IDD_PROGRESS owned by owner, with a bar of steps steps (the
    // low 16 bits of the number are the bar's upper bound) and the title.
    // Returns the window, null when it could not be created.
    HWND Create(HWND owner, int steps, const char* title);

    // Puts text into the text line; nothing without a window.
    void SetText(const char* text);

    // Drains the pending messages, then advances the bar by one.
    void Step();

    // Drains the pending messages, then tells whether Cancel was pressed.
    // Once pressed it stays pressed.
    bool IsCancelled();

    // Destroys the window, when there is one.
    void Destroy();

private:
    BOOL OnInit() override;
    void OnCancel() override;
    void DrainMessages();

    int steps_ = 0;
    int cancelled_ = 0;
};
