#include "progress_window.h"

#include <commctrl.h>

#include "module.h"
#include "resource.h"

HWND ProgressWindow::Create(HWND owner, int steps, const char* title)
{
    steps_ = steps;
    HWND dialog = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (dialog && title)
        SetWindowTextA(dialog, title);
    return dialog;
}

void ProgressWindow::SetText(const char* text)
{
    if (window_)
        SetDlgItemTextA(window_, IDC_PROGRESS_TEXT, text);
}

void ProgressWindow::Step()
{
    DrainMessages();
    if (window_)
        SendDlgItemMessageA(window_, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
}

bool ProgressWindow::IsCancelled()
{
    DrainMessages();
    return cancelled_ != 0;
}

void ProgressWindow::Destroy()
{
    if (window_) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

void ProgressWindow::OnInitDialog(HWND dialog)
{
    window_ = dialog;
    // The bar's bound is a 16-bit number: larger counts keep their low bits.
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, steps_ & 0xFFFF));
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
}

void ProgressWindow::DrainMessages()
{
    // Only the window's own messages are taken while it exists: other windows
    // of the thread (the owner above all) must not act in the middle of the
    // loop, so their input waits until the loop ends. Without a window the
    // filter is empty and the thread's whole queue is dispatched. After
    // Cancel nothing more is taken.
    MSG msg;
    while (!cancelled_ && PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to swallow: put it back for the thread's own loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (window_ && IsDialogMessageA(window_, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

INT_PTR CALLBACK ProgressWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<ProgressWindow*>(lParam)->OnInitDialog(dialog);
        return TRUE;   // the dialog manager gives the default focus
    case WM_COMMAND:
        // The Cancel button, and Esc through the dialog manager. The window
        // stays: the loop sees the flag at its next check and ends itself.
        if (self && LOWORD(wParam) == IDCANCEL) {
            self->cancelled_ = 1;
            return TRUE;
        }
        break;
    case WM_NCDESTROY:
        // Gone with its owner, or by Destroy: the loop carries on windowless.
        if (self)
            self->window_ = nullptr;
        break;
    }
    return FALSE;
}
