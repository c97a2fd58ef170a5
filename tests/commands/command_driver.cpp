#include "command_driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "resource.h"
#include "store_api.h"
#include "ui_driver.h"

namespace fytest {

void TypeText(HWND dialog, int controlId, const std::string& text)
{
    HWND control = GetDlgItem(dialog, controlId);
    for (char c : text)
        SendWithin(control, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void AnswerFileDialog(HWND dialog, const std::string& path)
{
    // The explorer-style dialog has its name field in a combo box (1148) or an
    // edit (1152); the folder-picking template keeps 1152, hidden.
    HWND combo = GetDlgItem(dialog, 1148);
    if (combo)
        SendWithin(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (HWND edit = GetDlgItem(dialog, 1152))
        SendWithin(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PressButton(dialog, IDOK);
}

// ---- FakeHelpEngine --------------------------------------------------------

namespace {

// The request record the help call sends with WM_COPYDATA.
struct HelpRecord {
    WORD size;
    WORD command;
    LONG data;
    LONG reserved;
    WORD ofsFilename;
    WORD ofsData;
};
constexpr ULONG_PTR kHelpMagic = 0xA1DE505;

std::mutex g_helpLock;
std::vector<FakeHelpEngine::Request> g_helpRequests;

}  // namespace

FakeHelpEngine::FakeHelpEngine()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MS_WINHELP";
    RegisterClassA(&windowClass);
    {
        std::lock_guard<std::mutex> lock(g_helpLock);
        g_helpRequests.clear();
    }
    window_ = CreateWindowA("MS_WINHELP", "Help stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
}

FakeHelpEngine::~FakeHelpEngine()
{
    if (window_)
        DestroyWindow(window_);
}

std::vector<FakeHelpEngine::Request> FakeHelpEngine::Requests() const
{
    std::lock_guard<std::mutex> lock(g_helpLock);
    return g_helpRequests;
}

LRESULT CALLBACK FakeHelpEngine::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData == kHelpMagic && data->cbData >= sizeof(HelpRecord)) {
            auto* record = static_cast<const HelpRecord*>(data->lpData);
            Request request;
            request.command = record->command;
            request.data = static_cast<ULONG_PTR>(record->data);
            if (record->ofsFilename && record->ofsFilename < data->cbData)
                request.file = reinterpret_cast<const char*>(record) + record->ofsFilename;
            std::lock_guard<std::mutex> lock(g_helpLock);
            g_helpRequests.push_back(request);
        }
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- ProgressWatcher -------------------------------------------------------

namespace {

ProgressWatcher* g_watcher = nullptr;

bool IsProgressDialog(HWND window)
{
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    if (!bar)
        return false;
    char className[64];
    GetClassNameA(bar, className, sizeof(className));
    return lstrcmpiA(className, PROGRESS_CLASSA) == 0;
}

}  // namespace

ProgressWatcher::ProgressWatcher(const std::string& cancelWhenTextHas) : cancelWhenTextHas_(cancelWhenTextHas)
{
    g_watcher = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, HookProc, nullptr, GetCurrentThreadId());
}

ProgressWatcher::~ProgressWatcher()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    g_watcher = nullptr;
}

LRESULT CALLBACK ProgressWatcher::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_watcher)
        g_watcher->OnMessage(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ProgressWatcher::OnMessage(const CWPSTRUCT& message)
{
    HWND parent = GetParent(message.hwnd);
    switch (message.message) {
    case WM_SETTEXT:
        if (IsProgressDialog(message.hwnd)) {
            windowSeen = true;
            caption = reinterpret_cast<const char*>(message.lParam);
        } else if (parent && GetDlgCtrlID(message.hwnd) == IDC_PROGRESS_TEXT && IsProgressDialog(parent)) {
            std::string text = reinterpret_cast<const char*>(message.lParam);
            texts.push_back(text);
            if (!cancelPressed && !cancelWhenTextHas_.empty() && text.find(cancelWhenTextHas_) != std::string::npos) {
                // Queued like a click while this file is worked on.
                PressButton(parent, IDCANCEL);
                cancelPressed = true;
            }
        }
        break;
    case PBM_SETRANGE:
        if (GetDlgCtrlID(message.hwnd) == IDC_PROGRESS_BAR && parent && IsProgressDialog(parent))
            rangeHigh = HIWORD(message.lParam);
        break;
    case PBM_STEPIT:
        if (GetDlgCtrlID(message.hwnd) == IDC_PROGRESS_BAR && parent && IsProgressDialog(parent))
            ++steps;
        break;
    }
}

// ---- Archives through the store --------------------------------------------

std::vector<StoredVersion> ReadStoredVersions(const std::string& archivePath)
{
    std::vector<StoredVersion> versions;
    if (GetFileAttributesA(archivePath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return versions;
    ArchiveHeader header;
    memset(&header, 0, sizeof(header));
    StoreHeaderHandle handle = 0;
    if (StoreReadHeader(archivePath.c_str(), &header, &handle) != 0)
        return versions;
    for (int i = 0; i < header.count && header.entries; ++i) {
        const VersionEntry& entry = header.entries[i];
        versions.push_back({entry.number, entry.permanent, std::string(entry.comment, strnlen(entry.comment, 129))});
    }
    StoreReleaseHeader(handle);
    return versions;
}

std::vector<std::string> StoredComments(const std::string& archivePath)
{
    std::vector<std::string> comments;
    for (const auto& version : ReadStoredVersions(archivePath))
        comments.push_back(version.comment);
    std::sort(comments.begin(), comments.end());
    return comments;
}

void FillSelection(FileList& list, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        list.AddFront(path.c_str());
}

std::vector<std::string> SelectionPaths(const FileList& list)
{
    std::vector<std::string> paths;
    for (FileNode* node = list.Head(); node; node = node->next)
        paths.push_back(node->path);
    return paths;
}

}  // namespace fytest
