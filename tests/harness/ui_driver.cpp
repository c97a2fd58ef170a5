#include "ui_driver.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace fytest {

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

namespace {

struct WindowQuery {
    const char* className;
    const char* caption;
    HWND found;
};

bool IsOurs(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto* query = reinterpret_cast<WindowQuery*>(lParam);
    if (!IsOurs(window) || !IsWindowVisible(window))
        return TRUE;
    char text[512];
    if (query->className) {
        GetClassNameA(window, text, sizeof(text));
        if (lstrcmpiA(text, query->className) != 0)
            return TRUE;
    }
    if (query->caption) {
        // InternalGetWindowText reads the caption without a message to the
        // window's (possibly busy) thread.
        WCHAR wide[512];
        InternalGetWindowText(window, wide, 512);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        if (strcmp(text, query->caption) != 0)
            return TRUE;
    }
    query->found = window;
    return FALSE;
}

HWND FindOurWindow(const char* className, const char* caption)
{
    WindowQuery query = {className, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

}  // namespace

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs)
{
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindOurWindow(className, caption)) != nullptr; }, timeoutMs))
        return nullptr;
    WaitUntilServed(window);
    return window;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PumpMessages(20);
    }
    return true;
}

bool WaitUntilServed(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result)) {
        ADD_FAILURE() << "window " << window << " did not answer message " << message;
        return 0;
    }
    return static_cast<LRESULT>(result);
}

std::string GetText(HWND window)
{
    char text[4096] = "";
    // WM_GETTEXT rather than GetWindowText, which never reads another
    // thread's control text.
    SendWithin(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::string GetControlText(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control ? GetText(control) : std::string();
}

void SetControlText(HWND dialog, int controlId, const std::string& text)
{
    SendWithin(GetDlgItem(dialog, controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool PressButton(HWND dialog, int buttonId)
{
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        ADD_FAILURE() << "button " << buttonId << (button ? " is disabled or hidden" : " does not exist");
        return false;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

namespace {

BOOL CALLBACK CloseOne(HWND window, LPARAM lParam)
{
    if (!IsOurs(window) || !IsWindowVisible(window))
        return TRUE;
    char className[64];
    GetClassNameA(window, className, sizeof(className));
    if (strcmp(className, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    else
        PostMessageA(window, WM_CLOSE, 0, 0);
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

}  // namespace

int CloseStrayWindows()
{
    int count = 0;
    EnumWindows(CloseOne, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool BoxRecord::HasButtons(std::initializer_list<int> ids) const
{
    if (ids.size() != buttons.size())
        return false;
    for (int id : ids) {
        bool found = false;
        for (int button : buttons)
            found = found || button == id;
        if (!found)
            return false;
    }
    return true;
}

void ExpectBox(const BoxRecord& box, const std::string& text, std::initializer_list<int> buttons, BoxIcon icon)
{
    EXPECT_EQ(box.caption, "Fennory (TM)");
    EXPECT_EQ(box.text, text);
    EXPECT_TRUE(box.HasButtons(buttons)) << "box \"" << box.text << "\" shows other buttons";
    EXPECT_EQ(box.icon, icon) << "box \"" << box.text << "\"";
}

namespace {

// The text control of a message box carries id 0xFFFF; its icon is the one
// static with SS_ICON (its id differs between systems).
constexpr int kBoxTextId = 0xFFFF;

BOOL CALLBACK CollectButton(HWND child, LPARAM lParam)
{
    char className[32];
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(child))
        reinterpret_cast<BoxRecord*>(lParam)->buttons.push_back(GetDlgCtrlID(child));
    return TRUE;
}

BOOL CALLBACK FindIconStatic(HWND child, LPARAM lParam)
{
    char className[32];
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(lParam) = child;
        return FALSE;
    }
    return TRUE;
}

BoxIcon IconKind(HWND box)
{
    HWND iconControl = nullptr;
    EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&iconControl));
    if (!iconControl)
        return BoxIcon::None;
    HICON icon = reinterpret_cast<HICON>(SendWithin(iconControl, STM_GETICON, 0, 0));
    if (!icon)
        return BoxIcon::None;
    if (icon == LoadIcon(nullptr, IDI_HAND))
        return BoxIcon::Stop;
    if (icon == LoadIcon(nullptr, IDI_QUESTION))
        return BoxIcon::Question;
    if (icon == LoadIcon(nullptr, IDI_EXCLAMATION))
        return BoxIcon::Warning;
    if (icon == LoadIcon(nullptr, IDI_ASTERISK))
        return BoxIcon::Information;
    return BoxIcon::Other;
}

struct BoxQuery {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM lParam)
{
    auto* query = reinterpret_cast<BoxQuery*>(lParam);
    if (!IsOurs(window) || !IsWindowVisible(window))
        return TRUE;
    char text[512];
    GetClassNameA(window, text, sizeof(text));
    if (strcmp(text, "#32770") != 0 || !GetDlgItem(window, kBoxTextId))
        return TRUE;
    GetWindowTextA(window, text, sizeof(text));
    if (query->caption && strcmp(text, query->caption) != 0)
        return TRUE;
    query->found = window;
    return FALSE;
}

}  // namespace

HWND FindMessageBox(const char* caption)
{
    BoxQuery query = {caption, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

BoxRecord ReadMessageBox(HWND box)
{
    BoxRecord record;
    record.caption = GetText(box);
    record.text = GetControlText(box, kBoxTextId);
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&record));
    record.icon = IconKind(box);
    return record;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> answers, DWORD timeoutMs, const char* caption)
    : answers_(std::move(answers)), timeoutMs_(timeoutMs), caption_(caption ? caption : "")
{
    thread_ = std::thread([this] { Run(); });
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

const std::vector<BoxRecord>& MessageBoxAnswerer::Boxes()
{
    if (thread_.joinable())
        thread_.join();
    return boxes_;
}

void MessageBoxAnswerer::Run()
{
    const char* caption = caption_.empty() ? nullptr : caption_.c_str();
    for (int answer : answers_) {
        HWND box = nullptr;
        DWORD start = GetTickCount();
        while (!(box = FindMessageBox(caption))) {
            if (stop_ || GetTickCount() - start >= timeoutMs_)
                return;
            Sleep(20);
        }
        // Read the box once its thread has finished laying it out (the
        // template holds every button until initialisation hides the unused).
        WaitUntilServed(box);
        BoxRecord record = ReadMessageBox(box);
        // Only a button the box shows can be pressed; any other answer is a
        // fault of the test, and the box is closed with its own Cancel or OK.
        HWND button = GetDlgItem(box, answer);
        if (!button || !IsWindowVisible(button)) {
            ADD_FAILURE() << "message box \"" << record.text << "\" has no button " << answer;
            answer = GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDOK;
            button = GetDlgItem(box, answer);
        }
        record.pressed = answer;
        boxes_.push_back(record);
        PostMessageA(button, BM_CLICK, 0, 0);
        // Wait for this box to go before looking for the next one.
        start = GetTickCount();
        while (IsWindow(box) && GetTickCount() - start < timeoutMs_)
            Sleep(20);
    }
}

NoMessageBoxes::NoMessageBoxes(const char* dialogCaption)
{
    std::string caption = dialogCaption ? dialogCaption : "";
    thread_ = std::thread([this, caption] {
        while (!stop_) {
            HWND box = caption.empty() ? FindMessageBox(nullptr) : FindOurWindow("#32770", caption.c_str());
            if (box) {
                ADD_FAILURE() << "unexpected window \"" << GetText(box) << "\": \"" << ReadMessageBox(box).text << "\"";
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDOK, BN_CLICKED), 0);
                DWORD start = GetTickCount();
                while (IsWindow(box) && GetTickCount() - start < 5000)
                    Sleep(20);
            }
            Sleep(20);
        }
    });
}

NoMessageBoxes::~NoMessageBoxes()
{
    stop_ = true;
    thread_.join();
}

namespace {

struct Sighting {
    DWORD firstSeen;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM lParam)
{
    if (IsOurs(window) && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

}  // namespace

void StartStrayWindowGuard(DWORD limitMs)
{
    std::thread([limitMs] {
        std::map<HWND, Sighting> seen;
        for (;;) {
            Sleep(250);
            std::vector<HWND> windows;
            EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
            std::map<HWND, Sighting> still;
            DWORD now = GetTickCount();
            for (HWND window : windows) {
                auto known = seen.find(window);
                Sighting sighting = known != seen.end() ? known->second : Sighting{now};
                if (now - sighting.firstSeen > limitMs) {
                    BoxRecord record = ReadMessageBox(window);
                    ADD_FAILURE() << "window left open: \"" << record.caption << "\" " << record.text;
                    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                    PostMessageA(window, WM_CLOSE, 0, 0);
                    sighting.firstSeen = now;   // give it time to close before complaining again
                }
                still[window] = sighting;
            }
            seen.swap(still);
        }
    }).detach();
}

}  // namespace fytest
