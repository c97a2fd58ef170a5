// View and View Multiple on the history page, with the viewer libraries built beside the program, and
// without them: which versions show where, their labels, the side-by-side layout and the viewing copies.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "command_driver.h"
#include "page_fixture.h"
#include "plexa_format.h"
#include "resource.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"

namespace fytest {
namespace {

const int kLabels[6] = {IDC_LEFT_VERSION, IDC_LEFT_TYPE, IDC_LEFT_DATE, IDC_RIGHT_VERSION, IDC_RIGHT_TYPE, IDC_RIGHT_DATE};

std::string Describe(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

// Makes the window's client area 615 x 400 and checks where everything went.
void CheckLayout(HWND dialog)
{
    RECT frame = {0, 0, 615, 400};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOMOVE);
    auto rectOf = [dialog](HWND control) {
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT client;
    GetClientRect(dialog, &client);
    ASSERT_EQ(Describe(client), "0,0 615,400");
    const int labelX[6] = {20, 86, 206, 325, 391, 511};
    for (int i = 0; i < 6; ++i) {
        RECT label = rectOf(GetDlgItem(dialog, kLabels[i]));
        EXPECT_EQ(label.left, labelX[i]) << "label " << i;
        EXPECT_EQ(label.top, 5) << "label " << i;
    }
    // Panes (615 - 15) / 2 = 300 wide at x 5 and 310, under the labels, over three spacers' height.
    RECT label = rectOf(GetDlgItem(dialog, IDC_LEFT_VERSION));
    RECT spacer = rectOf(GetDlgItem(dialog, IDC_SPACER_1));
    int top = label.bottom - label.top + 10;
    int bottom = 400 - 10 - 3 * (spacer.bottom - spacer.top);
    HWND left = FindWindowExA(dialog, nullptr, "SCCVIEWER", nullptr);
    EXPECT_EQ(Describe(rectOf(left)), Describe({5, top, 305, bottom}));
    EXPECT_EQ(Describe(rectOf(FindWindowExA(dialog, left, "SCCVIEWER", nullptr))), Describe({310, top, 610, bottom}));
    RECT close = rectOf(GetDlgItem(dialog, IDCANCEL));
    EXPECT_EQ(close.left, (610 - 2 * (close.right - close.left)) / 2);
    EXPECT_EQ(close.bottom, 395);
}

class HistoryViewTest : public HistoryPageTest {
protected:
    void TearDown() override
    {
        ClosePage();   // unloads the libraries once no viewer is left
        EXPECT_EQ(ViewingCopies(), copiesBefore_) << "every viewing copy goes with its viewer";
    }

    // Clicks rows (the later ones with Ctrl), presses View Multiple and reads the window: its labels,
    // each followed by '|', then the left and the right pane's text. more gets it before Close is pressed.
    std::string ViewMultiple(const Rows& rows, const std::function<void(HWND)>& more = nullptr)
    {
        for (size_t i = 0; i < rows.size(); ++i)
            ClickRow(rows[i], 2, i > 0);
        std::string seen;
        std::atomic<bool> done{false};
        DialogDriver driver("Fennory (TM) View Multiple - " + workingPath_, [&](HWND dialog) {
            for (int id : kLabels)
                seen += GetControlText(dialog, id) + "|";
            HWND left = FindWindowExA(dialog, nullptr, "SCCVIEWER", nullptr);
            seen += ViewerText(left) + "|" + ViewerText(FindWindowExA(dialog, left, "SCCVIEWER", nullptr));
            if (more)
                more(dialog);
            PressButton(dialog, IDCANCEL);
            done = true;
        });
        EXPECT_TRUE(PressButton(Page(), IDC_VIEW_MULTIPLE_BUTTON));
        EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
        driver.Join();
        EXPECT_TRUE(PostedHandled());
        return seen;
    }

    // A version's date label, as the archive formats it.
    std::string TimeOf(int version)
    {
        char text[100] = "";
        EXPECT_TRUE(archive_->FormatVersionTime(version, text));
        return text;
    }

    std::string copiesBefore_ = ViewingCopies();
};

// Without the viewer files View says so and nothing else; with them, pairs side by side, then the topmost
// selected version in a window of its own.
TEST_F(HistoryViewTest, WithoutTheViewerFilesNothingThenPairsSideBySideThenOneVersionInAWindowOfItsOwn)
{
    MakeHistory("pair", {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 0}});
    OpenPage();
    {
        ViewerKeyScope noKey(nullptr);
        ClickRow(0);
        for (int button : {IDC_VIEW_BUTTON, IDC_VIEW_MULTIPLE_BUTTON}) {
            MessageBoxAnswerer answers({IDOK});
            ASSERT_TRUE(PressButton(Page(), button));
            EXPECT_TRUE(PostedHandled());   // the click shows its box before it returns
            ASSERT_EQ(answers.Boxes().size(), 1u);
            ExpectBox(answers.Boxes()[0], "Error!  Couldn't load viewer files SCCVW.DLL or SCCFI.DLL.", {IDOK},
                      BoxIcon::Stop);
        }
        EXPECT_EQ(FindWindowA(kViewerFrameClass, nullptr), nullptr);
    }
    ViewerKeyScope key(ProgramFolder().c_str());
    // Two versions: the older on the left. One version: beside the working file, which stays.
    EXPECT_EQ(ViewMultiple({0, 2}, CheckLayout),
              "Version 1|ASCII Text|" + TimeOf(1) + "|Version 3|ASCII Text|" + TimeOf(3) + "|version 1|version 3");
    WriteFileText(workingPath_, "current text\r\n");
    EXPECT_EQ(ViewMultiple({1}),
              "Version 2|ASCII Text|" + TimeOf(2) + "|Current|ASCII Text|" + TimeOf(0) + "|version 2|current text\n");
    EXPECT_EQ(ReadFileText(workingPath_), "current text\r\n");

    // Plexa on both sides; beside bytes nobody recognises ("Text"), Plexa is named as identified.
    SaveFromOutside("A", plexa::WriteFromMarkup("# Plan A\n"));
    SaveFromOutside("B", plexa::WriteFromMarkup("# Plan B\n"));
    SaveFromOutside("C", std::string("\x01\x02\x00\x03", 4));
    ASSERT_TRUE(WaitUntil([&] { return RowNumbers().size() == 6; }, 3000));
    EXPECT_EQ(ViewMultiple({2, 1}), "Version 4|Zentrik Plexa 7.0|" + TimeOf(4) + "|Version 5|Zentrik Plexa 7.0|" +
                                        TimeOf(5) + "|Plan A\n======\n|Plan B\n======\n");
    std::string mixed = ViewMultiple({2, 0});
    EXPECT_EQ(mixed.substr(0, mixed.find("Plan A")),
              "Version 4|Plexa Document|" + TimeOf(4) + "|Version 6|Text|" + TimeOf(6) + "|");

    ClickRow(1);   // version 5, then version 4 under it
    ClickRow(2, 2, true);
    ClickRow(2, 2, true);   // and off again: one row, so View is on
    ASSERT_EQ(SelectedRows(), (Rows{1}));
    ASSERT_TRUE(PressButton(Page(), IDC_VIEW_BUTTON));
    HWND frame = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (frame = FindWindowA(kViewerFrameClass, nullptr)) != nullptr; }));
    EXPECT_EQ(GetText(frame), "Fennory (TM) View - Zentrik Plexa 7.0 - pair.txt - Version 5");
    EXPECT_EQ(ViewerText(FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr)), "Plan B\n======\n");
    EXPECT_EQ(ViewerFrameCount, 1);
    // The viewer outlives the page; closing it takes its copy along.
    ClosePage();
    EXPECT_TRUE(IsWindow(frame));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ViewerFrameCount == 0; }));
}

}  // namespace
}  // namespace fytest
