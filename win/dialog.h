// The one base of every dialog and property page. One static procedure binds
// the object to its window at WM_INITDIALOG (from the creation parameter, or
// from PROPSHEETPAGE::lParam for a page), keeps it in DWLP_USER and hands each
// message to a virtual handler. It is also the one place where no exception
// gets out into the dialog manager.
//
// The window never outlives its binding: at WM_NCDESTROY the user data is
// cleared and the object forgets the window, and an object destroyed while its
// window is alive unbinds it first (and destroys it, when it made it modeless).
#pragma once

#include <windows.h>
#include <prsht.h>

namespace win {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally: the value given to End, or -1 when the
    // template could not be made into a window.
    INT_PTR RunModal(HINSTANCE module, UINT templateId, HWND owner);

    // Creates the dialog modeless: its window, or null.
    HWND CreateModeless(HINSTANCE module, UINT templateId, HWND owner);

    // Fills page so that a property sheet makes it a page bound to this
    // object. The caller adds flags (PSP_USECALLBACK and the like) and owns
    // the object's lifetime.
    void FillPage(PROPSHEETPAGEA* page, HINSTANCE module, UINT templateId);

    HWND Window() const { return window_; }
    UINT TemplateId() const { return templateId_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    // Ends a modal dialog with result; destroys a modeless one.
    void End(INT_PTR result);

    // The object bound to a dialog window of this base, or null.
    static Dialog* FromWindow(HWND window);

protected:
    // WM_INITDIALOG: TRUE lets the dialog manager set the focus.
    virtual BOOL OnInit() { return TRUE; }
    // WM_COMMAND. Returns true when handled; IDOK and IDCANCEL not handled
    // here go to OnOk and OnCancel.
    virtual bool OnCommand(int id, int code, HWND control) { return false; }
    virtual void OnOk() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // WM_NOTIFY. Returns true when handled, with *result going to
    // DWLP_MSGRESULT.
    virtual bool OnNotify(NMHDR* header, LRESULT* result) { return false; }
    // WM_HELP: what-is-this help for a control.
    virtual void OnHelp(const HELPINFO* info) {}
    // WM_DESTROY, while the window and its controls still exist.
    virtual void OnDestroy() {}
    // Any message, before the handlers above. Returns true when handled, with
    // *result as the dialog procedure's return value.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) { return false; }

private:
    enum class Kind { None, Modal, Modeless, Page };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Route(Dialog* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Unbind();

    HWND window_ = nullptr;
    UINT templateId_ = 0;
    Kind kind_ = Kind::None;
};

}  // namespace win
