#include "command_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "resource.h"
#include "store_api.h"

namespace fytest {

void AnswerFileDialog(HWND dialog, const std::string& path)
{
    // The explorer-style dialog has its name field in a combo box (1148) or an
    // edit (1152); the folder-picking template keeps 1152, hidden.
    for (int field : {1148, 1152})
        if (HWND control = GetDlgItem(dialog, field))
            SendWithin(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PressButton(dialog, IDOK);
}

namespace {

ProgressWatcher* g_watcher = nullptr;

}  // namespace

ProgressWatcher::ProgressWatcher(const std::string& cancelWhenTextHas, std::function<void(HWND)> onShown)
    : cancelWhenTextHas_(cancelWhenTextHas), onShown_(std::move(onShown))
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

// The progress window is the one with a control IDC_PROGRESS_BAR.
void ProgressWatcher::OnMessage(const CWPSTRUCT& message)
{
    if (message.message == WM_SETTEXT && GetDlgItem(message.hwnd, IDC_PROGRESS_BAR)) {
        const bool first = !windowSeen;
        windowSeen = true;
        caption = reinterpret_cast<const char*>(message.lParam);
        if (first && onShown_)
            onShown_(message.hwnd);
    }
    HWND parent = GetParent(message.hwnd);
    if (!parent || !GetDlgItem(parent, IDC_PROGRESS_BAR))
        return;
    const int id = GetDlgCtrlID(message.hwnd);
    if (message.message == WM_SETTEXT && id == IDC_PROGRESS_TEXT) {
        texts.push_back(reinterpret_cast<const char*>(message.lParam));
        if (!cancelPressed && !cancelWhenTextHas_.empty() &&
            texts.back().find(cancelWhenTextHas_) != std::string::npos) {
            // Queued like a click while this file is worked on.
            PressButton(parent, IDCANCEL);
            cancelPressed = true;
        }
    } else if (message.message == PBM_SETRANGE && id == IDC_PROGRESS_BAR) {
        rangeHigh = HIWORD(message.lParam);
    } else if (message.message == PBM_STEPIT && id == IDC_PROGRESS_BAR) {
        ++steps;
    }
}

std::vector<StoredVersion> ReadStoredVersions(const std::string& archivePath)
{
    std::vector<StoredVersion> versions;
    ArchiveHeader header = {};
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

std::vector<std::string> History(const std::string& archivePath)
{
    std::vector<StoredVersion> versions = ReadStoredVersions(archivePath);
    std::sort(versions.begin(), versions.end(),
              [](const StoredVersion& a, const StoredVersion& b) { return a.number < b.number; });
    std::vector<std::string> history;
    for (const auto& version : versions)
        history.push_back(version.comment + (version.permanent ? " (permanent)" : ""));
    return history;
}

void FillSelection(FileList& list, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        list.AddFront(path.c_str());
}

std::vector<std::string> CommandTest::Listing(const std::string& folder)
{
    std::vector<std::string> names = FilesIn(folder);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace fytest
