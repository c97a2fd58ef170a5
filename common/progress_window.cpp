#include "progress_window.h"

#include <commctrl.h>

#include "module.h"
#include "resource.h"

HWND ProgressWindow::Create(HWND owner, int steps, const char* title)
{
    steps_ = steps;
    HWND dialog = CreateModeless(g_hInstance, IDD_PROGRESS, owner);
    if (dialog && title)
        SetWindowTextA(dialog, title);
    return dialog;
}

void ProgressWindow::SetText(const char* text)
{
    if (Window())
        SetDlgItemTextA(Window(), IDC_PROGRESS_TEXT, text);
}

void ProgressWindow::Step()
{
    DrainMessages();
    if (Window())
        SendDlgItemMessageA(Window(), IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
}

bool ProgressWindow::IsCancelled()
{
    DrainMessages();
    return cancelled_ != 0;
}

void ProgressWindow::Destroy()
{
    End(IDCANCEL);
}

BOOL ProgressWindow::OnInit()
{
    // The bar's bound is a 16-bit number: larger counts keep their low bits.
    SendDlgItemMessageA(Window(), IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, steps_ & 0xFFFF));
    SendDlgItemMessageA(Window(), IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
    return TRUE;   // the dialog manager gives the default focus
}

void ProgressWindow::OnCancel()
{
    // The Cancel button, and Esc through the dialog manager. The window
    // stays: the loop sees the flag at its next check and ends itself.
    cancelled_ = 1;
}

void ProgressWindow::DrainMessages()
{
    // Only the window's own messages are taken while it exists: other windows
    // of the thread (the owner above all) must not act in the middle of the
    // loop, so their input waits until the loop ends. Without a window the
    // filter is empty and the thread's whole queue is dispatched. After
    // Cancel nothing more is taken.
    MSG msg;
    while (!cancelled_ && PeekMessageA(&msg, Window(), 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to swallow: put it back for the thread's own loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (Window() && IsDialogMessageA(Window(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
