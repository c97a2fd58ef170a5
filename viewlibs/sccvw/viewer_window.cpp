// The "SCCVIEWER" window: shows one file as text (in a RichEdit control, with
// selection, copy and scrolling), as an image scaled to fit, or as a hex
// dump, and answers the program's messages (viewer_interface.h).
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cstring>
#include <new>
#include <string>

#include "content.h"
#include "options.h"
#include "printing.h"
#include "viewer_interface.h"
#include "win/handle.h"

namespace sccvw {

namespace {

constexpr UINT_PTR kEditSubclassId = 1;

struct ViewerState {
    HWND window = nullptr;
    HWND edit = nullptr;
    win::Module richEdit;
    Content content;
    DWORD notify = 0;
    char deletePath[MAX_PATH] = {};   // a temporary file to remove when the file is closed
};

ViewerState* StateOf(HWND window)
{
    return reinterpret_cast<ViewerState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool ShowsText(const ViewerState& state)
{
    return state.content.kind == ContentKind::Text || state.content.kind == ContentKind::HexDump;
}

// Keys go to the program first; the ones it answers are its own.
bool KeyTakenByParent(ViewerState* state, WPARAM key)
{
    if (!(state->notify & kViewerNotifyKeys))
        return false;
    HWND parent = GetParent(state->window);
    return parent && SendMessageA(parent, kViewerKeyNotify, 0, static_cast<LPARAM>(key)) != 0;
}

LRESULT CALLBACK EditSubclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data)
{
    auto* state = reinterpret_cast<ViewerState*>(data);
    if (message == WM_KEYDOWN && KeyTakenByParent(state, wParam))
        return 0;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(edit, EditSubclass, id);
    return DefSubclassProc(edit, message, wParam, lParam);
}

void ApplyDisplayOptions(ViewerState* state)
{
    if (!state->edit)
        return;
    const Options& options = CurrentOptions();
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
    format.yHeight = options.fontPoints * 20;
    format.bCharSet = DEFAULT_CHARSET;
    MultiByteToWideChar(CP_ACP, 0, options.fontFace, -1, format.szFaceName, LF_FACESIZE);
    SendMessageW(state->edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    if (GetWindowTextLengthW(state->edit) > 0)
        SendMessageW(state->edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    // A hex dump keeps its lines whole.
    bool wrap = options.wrapLines && state->content.kind != ContentKind::HexDump;
    SendMessageW(state->edit, EM_SETTARGETDEVICE, 0, wrap ? 0 : 1);
}

void CloseFile(ViewerState* state)
{
    state->content = Content();
    if (state->edit) {
        SetWindowTextW(state->edit, L"");
        ShowWindow(state->edit, SW_HIDE);
    }
    if (state->deletePath[0] != '\0') {
        DeleteFileA(state->deletePath);
        state->deletePath[0] = '\0';
    }
    InvalidateRect(state->window, nullptr, TRUE);
}

void NameOf(const char* path, char (&name)[kRedirectPathSize])
{
    const char* part = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            part = p + 1;
    }
    lstrcpynA(name, part, sizeof(name));
}

LRESULT OpenFile(ViewerState* state, const ViewFileRecord* record)
{
    CloseFile(state);
    if (!record || record->size < offsetof(ViewFileRecord, deleteWhenClosed) + sizeof(DWORD) || !record->fileRef)
        return 0;
    Source source;
    if (record->fileRefKind == kRefPath) {
        source.path = static_cast<const char*>(record->fileRef);
        NameOf(source.path, state->content.name);
        if (record->deleteWhenClosed)
            lstrcpynA(state->deletePath, source.path, sizeof(state->deletePath));
    } else if (record->fileRefKind == kRefRedirected) {
        source.redirected = static_cast<RedirectedFile*>(record->fileRef);
        if (!source.redirected->info ||
            source.redirected->info(reinterpret_cast<RedirectHandle>(source.redirected), kInfoFileName,
                                    state->content.name) != kRedirectOk)
            state->content.name[0] = '\0';
        state->content.name[sizeof(state->content.name) - 1] = '\0';
    } else {
        return 0;
    }

    std::string bytes;
    bool truncated = false;
    bool read = ReadSource(source, &bytes, &truncated);
    if (read)
        BuildContent(bytes, truncated, source, &state->content);
    CloseSource(source);
    if (!read)
        return 0;

    if (ShowsText(*state) && state->edit) {
        // Font and wrapping first: the text then takes them as it comes in,
        // with no second pass over it.
        SendMessageW(state->edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        ApplyDisplayOptions(state);
        SetWindowTextW(state->edit, state->content.text.c_str());
        SendMessageW(state->edit, EM_SETSEL, 0, 0);
        ShowWindow(state->edit, SW_SHOW);
        if (GetFocus() == state->window)
            SetFocus(state->edit);
    }
    InvalidateRect(state->window, nullptr, TRUE);
    return 1;
}

// The image's place in a box: as large as fits, proportions kept, centred.
RECT FitImage(const Image& image, const RECT& box)
{
    int boxWidth = box.right - box.left;
    int boxHeight = box.bottom - box.top;
    RECT placed = box;
    if (image.width == 0 || image.height == 0 || boxWidth <= 0 || boxHeight <= 0)
        return placed;
    long long width = boxWidth;
    long long height = static_cast<long long>(image.height) * boxWidth / image.width;
    if (height > boxHeight) {
        height = boxHeight;
        width = static_cast<long long>(image.width) * boxHeight / image.height;
    }
    placed.left = box.left + static_cast<int>((boxWidth - width) / 2);
    placed.top = box.top + static_cast<int>((boxHeight - height) / 2);
    placed.right = placed.left + static_cast<int>(width);
    placed.bottom = placed.top + static_cast<int>(height);
    return placed;
}

BITMAPINFO ImageInfo(const Image& image, bool bottomUp)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(image.width);
    info.bmiHeader.biHeight = bottomUp ? static_cast<LONG>(image.height) : -static_cast<LONG>(image.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = image.width * image.height * 4;
    return info;
}

void Paint(ViewerState* state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(state->window, &paint);
    RECT client;
    GetClientRect(state->window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    if (state->content.kind == ContentKind::Image) {
        const Image& image = state->content.image;
        RECT placed = FitImage(image, client);
        BITMAPINFO info = ImageInfo(image, false);
        int previous = SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, 0, 0,
                      static_cast<int>(image.width), static_cast<int>(image.height), image.pixels.data(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
        SetStretchBltMode(dc, previous);
    }
    EndPaint(state->window, &paint);
}

bool PutOnClipboard(HWND owner, UINT format, const void* data, size_t size)
{
    win::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory)
        return false;
    {
        win::GlobalLockScope<BYTE> locked(memory.Get());
        if (!locked.Get())
            return false;
        memcpy(locked.Get(), data, size);
    }
    if (!SetClipboardData(format, memory.Get()))
        return false;
    memory.Detach();   // the clipboard owns it now
    return true;
}

LRESULT Copy(ViewerState* state)
{
    if (ShowsText(*state) && state->edit) {
        CHARRANGE range;
        SendMessageW(state->edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        if (range.cpMax <= range.cpMin)
            return 0;   // nothing selected
        if (CurrentOptions().copyRichText) {
            SendMessageW(state->edit, WM_COPY, 0, 0);
            return 1;
        }
        std::wstring selected(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
        LRESULT length = SendMessageW(state->edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(&selected[0]));
        selected.resize(static_cast<size_t>(length));
        // The control keeps paragraphs with a bare CR; the clipboard wants CR LF.
        std::wstring text;
        for (wchar_t c : selected) {
            text.push_back(c);
            if (c == L'\r')
                text.push_back(L'\n');
        }
        if (!OpenClipboard(state->window))
            return 0;
        EmptyClipboard();
        bool ok = PutOnClipboard(state->window, CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        CloseClipboard();
        return ok ? 1 : 0;
    }
    if (state->content.kind == ContentKind::Image) {
        const Image& image = state->content.image;
        BITMAPINFO info = ImageInfo(image, true);
        std::string dib(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
        for (UINT row = image.height; row-- > 0;)
            dib.append(reinterpret_cast<const char*>(image.pixels.data()) + static_cast<size_t>(row) * image.width * 4,
                       static_cast<size_t>(image.width) * 4);
        if (!OpenClipboard(state->window))
            return 0;
        EmptyClipboard();
        bool ok = PutOnClipboard(state->window, CF_DIB, dib.data(), dib.size());
        CloseClipboard();
        return ok ? 1 : 0;
    }
    return 0;
}

LRESULT Print(ViewerState* state, HWND owner)
{
    if (state->content.kind == ContentKind::Empty)
        return 0;
    // The job is named after the window that shows the file, as the user
    // knows it; the file's own name when that has no caption.
    char docName[260] = {};
    HWND root = GetAncestor(state->window, GA_ROOT);
    if (!root || root == state->window || GetWindowTextA(root, docName, sizeof(docName)) <= 0)
        lstrcpynA(docName, state->content.name, sizeof(docName));
    return PrintContent(owner ? owner : state->window, state->content, docName) ? 1 : 0;
}

LRESULT OnCreate(ViewerState* state)
{
    state->richEdit.Attach(LoadLibraryA("riched20.dll"));
    DWORD style = WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                  ES_SAVESEL;
    state->edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", style, 0, 0, 0, 0, state->window, nullptr,
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(state->window, GWLP_HINSTANCE)),
                                  nullptr);
    if (state->edit)
        SetWindowSubclass(state->edit, EditSubclass, kEditSubclassId, reinterpret_cast<DWORD_PTR>(state));
    return 0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = new (std::nothrow) ViewerState;
        if (!created)
            return FALSE;
        created->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ViewerState* state = StateOf(window);
    if (!state)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return OnCreate(state);
    case WM_SIZE:
        if (state->edit)
            MoveWindow(state->edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
        if (state->edit && ShowsText(*state))
            SetFocus(state->edit);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_KEYDOWN:
        if (KeyTakenByParent(state, wParam))
            return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;   // painted whole in WM_PAINT
    case WM_PAINT:
        Paint(state);
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return 0;   // true-colour drawing: no palette of its own
    case kViewerSetOption: {
        auto* option = reinterpret_cast<const ViewerOptionRecord*>(lParam);
        if (!option || option->size < sizeof(ViewerOptionRecord) || option->option != kViewerOptionNotify ||
            !option->value)
            return 0;
        state->notify = *option->value;
        if (state->edit)
            SendMessageW(state->edit, EM_HIDESELECTION, !(state->notify & kViewerNotifyKeepSelection), 0);
        return 1;
    }
    case kViewerViewFile:
        return OpenFile(state, reinterpret_cast<const ViewFileRecord*>(lParam));
    case kViewerCloseFile:
        CloseFile(state);
        return 1;
    case kViewerCopy:
        return Copy(state);
    case kViewerPrint:
        return Print(state, reinterpret_cast<HWND>(wParam));
    case kViewerOptionsDialog: {
        if (!RunOptionsDialog(GetAncestor(window, GA_ROOT), lParam))
            return 0;
        ApplyDisplayOptions(state);
        return 1;
    }
    case WM_DESTROY:
        CloseFile(state);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete state;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterViewerClass(HINSTANCE module)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kViewerClassName;
    return RegisterClassA(&windowClass) != 0;
}

void UnregisterViewerClass(HINSTANCE module)
{
    UnregisterClassA(kViewerClassName, module);
}

}  // namespace sccvw
