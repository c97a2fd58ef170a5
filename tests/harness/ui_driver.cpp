#include "ui_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

bool IsOurs(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The visible top-level windows of this process, in z-order.
std::vector<HWND> OurWindows()
{
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) {
            if (IsOurs(window) && IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The visible children of window whose class is className.
std::vector<HWND> ChildrenOfClass(HWND window, const char* className)
{
    std::vector<HWND> children;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            if (IsWindowVisible(child))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    std::vector<HWND> matching;
    for (HWND child : children) {
        char name[32];
        GetClassNameA(child, name, sizeof(name));
        if (lstrcmpiA(name, className) == 0)
            matching.push_back(child);
    }
    return matching;
}

std::string ClassOf(HWND window)
{
    char name[256];
    return std::string(name, GetClassNameA(window, name, sizeof(name)));
}

// The caption read without a message to the window's (possibly busy) thread.
std::string CaptionOf(HWND window)
{
    WCHAR wide[512];
    char text[512];
    InternalGetWindowText(window, wide, 512);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

// Waits, without pumping, for another thread's window to be destroyed.
void WaitGone(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs)
        Sleep(20);
}

HWND FindOurWindow(const char* className, const char* caption)
{
    for (HWND window : OurWindows())
        if ((!className || lstrcmpiA(ClassOf(window).c_str(), className) == 0) &&
            (!caption || CaptionOf(window) == caption))
            return window;
    return nullptr;
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

int CloseStrayWindows()
{
    std::vector<HWND> windows = OurWindows();
    for (HWND window : windows) {
        if (ClassOf(window) == "#32770")
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        else
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return static_cast<int>(windows.size());
}

bool BoxRecord::HasButtons(std::initializer_list<int> ids) const
{
    return std::is_permutation(ids.begin(), ids.end(), buttons.begin(), buttons.end());
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

BoxIcon IconKind(HWND box)
{
    for (HWND control : ChildrenOfClass(box, "Static")) {
        if ((GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        HICON icon = reinterpret_cast<HICON>(SendWithin(control, STM_GETICON, 0, 0));
        if (!icon)
            return BoxIcon::None;
        const std::pair<LPCSTR, BoxIcon> kinds[] = {{IDI_HAND, BoxIcon::Stop},
                                                    {IDI_QUESTION, BoxIcon::Question},
                                                    {IDI_EXCLAMATION, BoxIcon::Warning},
                                                    {IDI_ASTERISK, BoxIcon::Information}};
        for (const auto& kind : kinds)
            if (icon == LoadIconA(nullptr, kind.first))
                return kind.second;
        return BoxIcon::Other;
    }
    return BoxIcon::None;
}

}  // namespace

HWND FindMessageBox(const char* caption)
{
    for (HWND window : OurWindows())
        if (ClassOf(window) == "#32770" && GetDlgItem(window, kBoxTextId) && (!caption || CaptionOf(window) == caption))
            return window;
    return nullptr;
}

BoxRecord ReadMessageBox(HWND box)
{
    BoxRecord record;
    record.caption = GetText(box);
    record.text = GetControlText(box, kBoxTextId);
    for (HWND button : ChildrenOfClass(box, "Button"))
        record.buttons.push_back(GetDlgCtrlID(button));
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
        // This box goes before the next one is looked for.
        WaitGone(box, timeoutMs_);
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
                WaitGone(box, 5000);
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

void StartStrayWindowGuard(DWORD limitMs)
{
    std::thread([limitMs] {
        std::map<HWND, DWORD> seen;   // when each window was first seen open
        for (;;) {
            Sleep(250);
            std::map<HWND, DWORD> still;
            DWORD now = GetTickCount();
            for (HWND window : OurWindows()) {
                auto known = seen.find(window);
                DWORD firstSeen = known != seen.end() ? known->second : now;
                if (now - firstSeen > limitMs) {
                    BoxRecord record = ReadMessageBox(window);
                    ADD_FAILURE() << "window left open: \"" << record.caption << "\" " << record.text;
                    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                    PostMessageA(window, WM_CLOSE, 0, 0);
                    firstSeen = now;   // give it time to close before complaining again
                }
                still[window] = firstSeen;
            }
            seen.swap(still);
        }
    }).detach();
}

}  // namespace fytest
