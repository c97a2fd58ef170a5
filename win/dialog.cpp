#include "dialog.h"

namespace win {

Dialog::~Dialog()
{
    if (!window_)
        return;
    HWND window = window_;
    Unbind();
    // A modeless window is this object's to close; a modal one or a page
    // belongs to its loop or sheet, which goes on without us.
    if (kind_ == Kind::Modeless)
        DestroyWindow(window);
}

INT_PTR Dialog::RunModal(HINSTANCE module, UINT templateId, HWND owner)
{
    templateId_ = templateId;
    kind_ = Kind::Modal;
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HINSTANCE module, UINT templateId, HWND owner)
{
    templateId_ = templateId;
    kind_ = Kind::Modeless;
    return CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::FillPage(PROPSHEETPAGEA* page, HINSTANCE module, UINT templateId)
{
    templateId_ = templateId;
    kind_ = Kind::Page;
    ZeroMemory(page, sizeof(*page));
    page->dwSize = sizeof(*page);
    page->hInstance = module;
    page->pszTemplate = MAKEINTRESOURCEA(templateId);
    page->pfnDlgProc = PageProc;
    page->lParam = reinterpret_cast<LPARAM>(this);
}

void Dialog::End(INT_PTR result)
{
    if (!window_)
        return;
    if (kind_ == Kind::Modal)
        EndDialog(window_, result);
    else if (kind_ == Kind::Modeless)
        DestroyWindow(window_);
}

Dialog* Dialog::FromWindow(HWND window)
{
    return reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
}

void Dialog::Unbind()
{
    if (window_ && FromWindow(window_) == this)
        SetWindowLongPtrA(window_, DWLP_USER, 0);
    window_ = nullptr;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : FromWindow(window);
    return Route(self, window, message, wParam, lParam);
}

INT_PTR CALLBACK Dialog::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        self = page ? reinterpret_cast<Dialog*>(page->lParam) : nullptr;
    } else {
        self = FromWindow(window);
    }
    return Route(self, window, message, wParam, lParam);
}

INT_PTR Dialog::Route(Dialog* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!self)
        return FALSE;   // before WM_INITDIALOG (WM_SETFONT) or after unbinding
    if (message == WM_INITDIALOG) {
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the dialog manager: the message counts
        // as not handled.
        OutputDebugStringA("Dialog: a handler failed\r\n");
        result = FALSE;
    }
    if (message == WM_NCDESTROY)
        self->Unbind();
    return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    if (OnMessage(message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_INITDIALOG:
        return OnInit();
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return TRUE;
        if (id == IDOK) {
            OnOk();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        LRESULT notifyResult = 0;
        if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), &notifyResult))
            return FALSE;
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, notifyResult);
        return TRUE;
    }
    case WM_HELP:
        OnHelp(reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}

}  // namespace win
