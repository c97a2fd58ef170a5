// View and View Multiple on the history page, with the viewer libraries built
// beside the program, and without them.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "command_driver.h"
#include "page_fixture.h"
#include "resource.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"

namespace fytest {
namespace {

class HistoryViewTest : public HistoryPageTest {
protected:
    void TearDown() override
    {
        ClosePage();   // unloads the libraries once no viewer is left
        EXPECT_EQ(ViewingCopies(), copiesBefore_) << "every viewing copy goes with its viewer";
    }

    std::string copiesBefore_ = ViewingCopies();
};

TEST_F(HistoryViewTest, ViewShowsTheTopmostSelectedVersionInAWindowOfItsOwn)
{
    ViewerKeyScope key(ProgramFolder().c_str());
    MakeHistory("viewed", {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 0}});
    OpenPage();
    ClickRow(1);   // version 2, then version 1 under it
    ClickRow(2, 2, true);
    ClickRow(2, 2, true);   // and off again: one row, so View is on
    ASSERT_EQ(SelectedRows(), (Rows{1}));
    ASSERT_TRUE(PressButton(Page(), IDC_VIEW_BUTTON));
    HWND frame = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (frame = FindWindowA(kViewerFrameClass, nullptr)) != nullptr; }));
    EXPECT_EQ(GetText(frame), "Fennory (TM) View - ASCII Text - viewed.txt - Version 2");
    EXPECT_EQ(ViewerText(FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr)), "version 2");
    EXPECT_EQ(ViewerFrameCount, 1);

    // The viewer outlives the page; closing it takes its copy along.
    ClosePage();
    EXPECT_TRUE(IsWindow(frame));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ViewerFrameCount == 0; }));
}

TEST_F(HistoryViewTest, ViewMultipleShowsTwoSelectedVersionsOrOneBesideTheWorkingFile)
{
    ViewerKeyScope key(ProgramFolder().c_str());
    MakeHistory("pair", {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 0}});
    OpenPage();
    const struct {
        Rows rows;   // clicked, the later ones with Ctrl
        const char* shown;
    } cases[] = {
        {{0, 2}, "Version 1|Version 3"},
        {{1}, "Version 2|Current"},   // one version: beside the working file
    };
    for (const auto& run : cases) {
        SCOPED_TRACE(run.shown);
        for (size_t i = 0; i < run.rows.size(); ++i)
            ClickRow(run.rows[i], 2, i > 0);
        std::string shown;
        std::atomic<bool> done{false};
        DialogDriver driver("Fennory (TM) View Multiple - " + workingPath_, [&](HWND dialog) {
            shown = GetControlText(dialog, IDC_LEFT_VERSION) + "|" + GetControlText(dialog, IDC_RIGHT_VERSION);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            done = true;
        });
        ASSERT_TRUE(PressButton(Page(), IDC_VIEW_MULTIPLE_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
        driver.Join();
        PumpMessages(50);
        EXPECT_EQ(shown, run.shown);
    }
}

TEST_F(HistoryViewTest, WithoutTheViewerFilesViewSaysSoAndNothingElse)
{
    ViewerKeyScope key(nullptr);
    MakeHistory("noviewer", {{"ann", "", 0}, {"ann", "two", 0}});
    OpenPage();
    ClickRow(0);
    for (int button : {IDC_VIEW_BUTTON, IDC_VIEW_MULTIPLE_BUTTON}) {
        MessageBoxAnswerer answers({IDOK});
        ASSERT_TRUE(PressButton(Page(), button));
        PumpMessages(50);   // the click shows its box before it returns
        ASSERT_EQ(answers.Boxes().size(), 1u);
        ExpectBox(answers.Boxes()[0], "Error!  Couldn't load viewer files SCCVW.DLL or SCCFI.DLL.", {IDOK},
                  BoxIcon::Stop);
    }
    EXPECT_EQ(FindWindowA(kViewerFrameClass, nullptr), nullptr);
}

}  // namespace
}  // namespace fytest
