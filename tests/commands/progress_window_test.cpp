#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "progress_window.h"
#include "resource.h"
#include "ui_driver.h"
#include "win/handle.h"

namespace {

constexpr UINT kPing = WM_APP + 7;

int BarPosition(HWND progress)
{
    return static_cast<int>(SendDlgItemMessageA(progress, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

// While the window is up only its own messages are taken: the owner must not act mid-loop.
TEST(ProgressWindow, ServesTheQueueAloneAndShowsTitleTextAndABarThatStepsUntilCancelled)
{
    // Stands for the owner of the loop.
    win::Window other(CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    MSG msg;
    auto pingWaits = [&] { return PeekMessageA(&msg, other.Get(), kPing, kPing, PM_NOREMOVE) != FALSE; };
    ProgressWindow progress;
    EXPECT_EQ(progress.Window(), nullptr);
    progress.SetText("nothing to show");
    EXPECT_EQ(fytest::WaitForWindow("#32770", nullptr, 200), nullptr) << "no window appears";
    PostMessageA(other.Get(), kPing, 0, 0);
    progress.Step();
    EXPECT_FALSE(pingWaits()) << "Step dispatches what waits for the thread";
    PostMessageA(other.Get(), kPing, 0, 0);
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_FALSE(pingWaits()) << "so does the Cancel test";
    PostQuitMessage(3);
    progress.Step();
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a quit request is not swallowed";
    EXPECT_EQ(msg.wParam, 3u);

    HWND window = progress.Create(nullptr, 3, "Copying...");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Copying...", 2000), window);
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0), 3);
    EXPECT_EQ(BarPosition(window), 0);
    PostMessageA(other.Get(), kPing, 0, 0);
    progress.SetText("a.txt\nFrom 'C:\\x' to 'C:\\y'");
    EXPECT_EQ(fytest::GetControlText(window, IDC_PROGRESS_TEXT), "a.txt\nFrom 'C:\\x' to 'C:\\y'");
    progress.Step();
    progress.Step();
    EXPECT_EQ(BarPosition(window), 2);
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_TRUE(pingWaits());

    // Esc reaches Cancel through the dialog manager.
    HWND focus = GetFocus();
    ASSERT_TRUE(focus == window || IsChild(window, focus));
    PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 1);
    progress.Step();
    EXPECT_EQ(BarPosition(window), 3) << "the step after Esc still moves the bar";
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(IsWindow(window)) << "the window stays until the loop ends";
    PostMessageA(window, WM_NULL, 0, 0);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_TRUE(PeekMessageA(&msg, window, WM_NULL, WM_NULL, PM_NOREMOVE)) << "after Cancel nothing more is taken";

    progress.Destroy();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Step();
    progress.SetText("after");
    progress.Destroy();  // twice is harmless
    fytest::PumpMessages(0);
    EXPECT_FALSE(pingWaits()) << "the owner acts once the loop is over";
}

}  // namespace
