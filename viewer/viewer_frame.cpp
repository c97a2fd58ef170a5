#include "viewer_frame.h"

#include <cstdio>
#include <cstring>

#include "help.h"
#include "module.h"
#include "resource.h"
#include "safe_string.h"
#include "string_res.h"
#include "viewer_libraries.h"

int ViewerFrameCount = 0;

namespace {

// Help topics of the menu items are their command ids above this base.
constexpr DWORD kMenuHelpBase = 0x10000;

}  // namespace

void ComposeViewerTitle(char* title, size_t size, const char* format, const char* typeName, const char* workingName,
                        int version)
{
    int length = snprintf(title, size, format, typeName, workingName, version);
    if (length >= 0 && static_cast<size_t>(length) < size)
        return;
    // Too long: keep the start of the name and mark the cut, so the type and
    // the version stay whole.
    size_t nameLength = strlen(workingName);
    size_t excess = static_cast<size_t>(length) - (size - 1);
    char name[260];
    size_t keep = nameLength > excess + 3 ? nameLength - excess - 3 : 0;
    if (keep >= sizeof(name) - 3)
        keep = sizeof(name) - 4;
    memcpy(name, workingName, keep);
    memcpy(name + keep, "...", 4);
    snprintf(title, size, format, typeName, name, version);   // a type name alone too long is cut at the end
}

void UnregisterViewerFrameClass()
{
    if (ViewerFrameCount == 0)
        UnregisterClassA(kViewerFrameClass, g_hInstance);
}

ViewerFrame::ViewerFrame()
{
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = g_hInstance;
    windowClass.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_VIEWER));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_VIEWER);
    windowClass.lpszClassName = kViewerFrameClass;
    RegisterClassA(&windowClass);   // fails harmlessly when registered already
    ++ViewerFrameCount;
    deleteWhenClosed = FALSE;
}

ViewerFrame::~ViewerFrame()
{
    // Fails while a window of the class exists (also this frame's own, still
    // being destroyed); the module unregisters the class before it unloads.
    UnregisterClassA(kViewerFrameClass, g_hInstance);
    --ViewerFrameCount;
    // A release that waited for this frame is not done here: the frame may be
    // going away inside a call from the display library (a key pressed in the
    // viewer closed it), which must not be unloaded under itself. The next
    // release, or the module's detach, frees the libraries.
}

BOOL ViewerFrame::ShowVersion(const char* copyPath, const char* workingName, int version)
{
    CopyText(path, copyPath);

    WORD typeId = kTypeUnknown;
    char typeName[200];
    short status = IdentifyViewerFile(path, &typeId, typeName, sizeof(typeName));
    if (status < 0 || typeId == kTypeUnknown)
        LoadStr(IDS_TYPE_TEXT, typeName);
    if (ViewerIsPlFile() && ViewerIsPlFile()(path))
        LoadStr(IDS_TYPE_PLEXA, typeName);

    char format[200];
    LoadStr(IDS_VIEWER_TITLE, format);
    char title[460];
    ComposeViewerTitle(title, sizeof(title), format, typeName, workingName, version);

    deleteWhenClosed = TRUE;
    window = CreateWindowExA(0, kViewerFrameClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, g_hInstance,
                             this);
    if (!window) {
        // Nobody else would clean up: the copy and this frame go now.
        DeleteFileA(path);
        delete this;
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK ViewerFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<ViewerFrame*>(create->lpCreateParams)->window = window;
    }
    auto* frame = reinterpret_cast<ViewerFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!frame)
        return DefWindowProcA(window, message, wParam, lParam);
    return frame->OnMessage(message, wParam, lParam);
}

void ViewerFrame::Layout(int width, int height)
{
    if (!viewer.window)
        return;
    InvalidateRect(window, nullptr, FALSE);
    viewer.Move(5, 5, width - 10, height - 10, TRUE);
}

LRESULT ViewerFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        RECT start = {0, 0, 10, 10};
        viewer.Create(window, &start, path, 0, deleteWhenClosed);
        RECT client;
        GetClientRect(window, &client);
        Layout(client.right, client.bottom);
        if (viewer.window)
            SetFocus(viewer.window);
        return 0;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY: {
        if (viewer.window) {
            SendMessageA(viewer.window, kViewerCloseFile, 0, 0);
            DestroyWindow(viewer.window);
            viewer.window = nullptr;
        }
        HWND own = window;
        SetWindowLongPtrA(own, GWLP_USERDATA, 0);
        delete this;
        return 0;
    }
    case WM_HELP: {
        char helpFile[260];
        GetHelpFilePath(helpFile);
        auto* info = reinterpret_cast<HELPINFO*>(lParam);
        DWORD topic = info && info->iContextType == HELPINFO_MENUITEM ? kMenuHelpBase + info->iCtrlId
                                                                      : HELP_TOPIC_VIEWER;
        WinHelpA(window, helpFile, HELP_CONTEXT, topic);
        return 1;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_FILE_PRINT:
            SendMessageA(viewer.window, kViewerPrint, reinterpret_cast<WPARAM>(window), 0);
            return 0;
        case IDM_FILE_EXIT:
            DefWindowProcA(window, WM_CLOSE, 0, 0);
            return 0;
        case IDM_EDIT_COPY:
            SendMessageA(viewer.window, kViewerCopy, 0, 0);
            return 0;
        case IDM_OPTIONS_DISPLAY:
            SendMessageA(viewer.window, kViewerOptionsDialog, 0, kViewerDisplayOptions);
            return 0;
        case IDM_OPTIONS_PRINT:
            SendMessageA(viewer.window, kViewerOptionsDialog, 0, kViewerPrintOptions);
            return 0;
        case IDM_OPTIONS_CLIPBOARD:
            SendMessageA(viewer.window, kViewerOptionsDialog, 0, kViewerClipboardOptions);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return viewer.window ? SendMessageA(viewer.window, message, wParam, lParam) : 0;
    case kViewerKeyNotify:
        if (lParam == VK_INSERT || lParam == 0x43 || lParam == 0x63) {
            if (GetKeyState(VK_CONTROL) < 0)
                SendMessageA(viewer.window, kViewerCopy, 0, 0);
            return 1;
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
