// The progress window as a loop drives it: shown, written, stepped, cancelled.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "progress_window.h"
#include "resource.h"
#include "ui_driver.h"

namespace {

// A hidden window of this thread that counts the pings dispatched to it.
class CountingWindow {
public:
    CountingWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "FyCountingWindow";
        RegisterClassA(&windowClass);
        window_ = CreateWindowA("FyCountingWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        count_ = 0;
    }
    ~CountingWindow() { DestroyWindow(window_); }
    void Ping() const { PostMessageA(window_, kPing, 0, 0); }
    int Count() const { return count_; }
    bool PingQueued() const
    {
        MSG msg;
        return PeekMessageA(&msg, window_, kPing, kPing, PM_NOREMOVE) != FALSE;
    }

private:
    static constexpr UINT kPing = WM_APP + 7;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == kPing)
            ++count_;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND window_;
    static int count_;
};
int CountingWindow::count_ = 0;

int BarPosition(HWND progress)
{
    return static_cast<int>(SendDlgItemMessageA(progress, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

int BarHigh(HWND progress)
{
    return static_cast<int>(SendDlgItemMessageA(progress, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0));
}

}  // namespace

TEST(ProgressWindow, WithoutAWindowEveryCallIsHarmlessAndTheQueueIsServed)
{
    CountingWindow other;
    ProgressWindow progress;
    EXPECT_EQ(progress.Window(), nullptr);
    progress.SetText("nothing to show");
    EXPECT_EQ(fytest::WaitForWindow("#32770", nullptr, 200), nullptr) << "no window appears";

    other.Ping();
    progress.Step();
    EXPECT_EQ(other.Count(), 1) << "Step dispatches what waits for the thread";
    other.Ping();
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_EQ(other.Count(), 2) << "so does the Cancel test";

    // A quit request is not swallowed by the draining.
    PostQuitMessage(3);
    progress.Step();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(ProgressWindow, ShowsTitleTextAndABarThatSteps)
{
    ProgressWindow progress;
    HWND created = progress.Create(nullptr, 3, "Copying...");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Copying...", 2000), created);
    EXPECT_EQ(BarHigh(created), 3);
    EXPECT_EQ(BarPosition(created), 0);

    progress.SetText("a.txt\nFrom 'C:\\x' to 'C:\\y'");
    EXPECT_EQ(fytest::GetControlText(created, IDC_PROGRESS_TEXT), "a.txt\nFrom 'C:\\x' to 'C:\\y'");
    progress.Step();
    progress.Step();
    EXPECT_EQ(BarPosition(created), 2);
    EXPECT_FALSE(progress.IsCancelled());

    progress.Destroy();
    EXPECT_FALSE(IsWindow(created));
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Step();
    progress.SetText("after");
    progress.Destroy();   // twice is harmless
}

TEST(ProgressWindow, CancelButtonIsTakenWhenPumpedAndSticks)
{
    ProgressWindow progress;
    HWND window = progress.Create(nullptr, 5, "Deleting...");
    ASSERT_NE(window, nullptr);
    fytest::PressButton(window, IDCANCEL);
    progress.Step();
    EXPECT_EQ(BarPosition(window), 1) << "the step after the click still moves the bar";
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(IsWindow(window)) << "the window stays until the loop ends";
    EXPECT_TRUE(progress.IsCancelled()) << "once pressed, always pressed";

    // After Cancel the window's messages are no longer taken.
    PostMessageA(window, WM_NULL, 0, 0);
    progress.Step();
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, window, WM_NULL, WM_NULL, PM_NOREMOVE));
    progress.Destroy();
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(ProgressWindow, EscapeCancelsThroughTheDialogManager)
{
    ProgressWindow progress;
    HWND window = progress.Create(nullptr, 2, "Moving...");
    ASSERT_NE(window, nullptr);
    HWND focus = GetFocus();
    ASSERT_TRUE(focus == window || IsChild(window, focus));
    PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(progress.IsCancelled());
    progress.Destroy();
}

TEST(ProgressWindow, OtherWindowsOfTheThreadWaitWhileTheWindowIsUp)
{
    CountingWindow other;
    ProgressWindow progress;
    ASSERT_NE(progress.Create(nullptr, 2, "Versioning..."), nullptr);
    other.Ping();
    progress.SetText("Versioning C:\\a.txt");
    progress.Step();
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_EQ(other.Count(), 0) << "the owner must not act in the middle of the loop";
    EXPECT_TRUE(other.PingQueued());
    progress.Destroy();
    EXPECT_TRUE(fytest::WaitUntil([&] { return other.Count() == 1; }, 5000)) << "it acts once the loop is over";
}
