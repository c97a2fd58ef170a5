// The built help file under Wine's help engine: the module's own help calls
// open it at the topics a user reaches from Help buttons, F1 and the viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include "help.h"
#include "resource.h"
#include "run_program.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace {

// The text of the topic the help engine (a process of its own) shows, once it
// starts with title; what it shows otherwise.
std::string WaitForTopic(const std::string& title)
{
    std::string text;
    fytest::WaitUntil([&] {
        HWND main = FindWindowA("MS_WINHELP", nullptr);
        HWND control = main && IsWindowVisible(main) ? FindWindowExA(main, nullptr, "RichEdit20A", nullptr) : nullptr;
        if (!control || fytest::GetText(main) != "Fennory Help")
            return false;
        text = fytest::GetText(control);
        return text.compare(0, title.size(), title) == 0;
    }, 15000);
    return text;
}

class HelpTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings_.SetString("HelpPath", fytest::ProgramFolder());
    }

    void TearDown() override
    {
        char path[260];
        GetHelpFilePath(path);
        WinHelpA(nullptr, path, HELP_QUIT, 0);
        EXPECT_TRUE(fytest::WaitUntil([] { return !FindWindowA("MS_WINHELP", nullptr); }))
            << "the help engine did not quit";
        if (HWND left = FindWindowA("MS_WINHELP", nullptr))
            PostMessageA(left, WM_CLOSE, 0, 0);
    }

    fytest::SettingsScope settings_;
};

// Help buttons, the viewer and its menu, a dialog number without a dialog: each opens the engine (started
// once) at its topic. F1 on the Comment box asks for pop-up help, which Wine lacks: its topic opens instead.
TEST_F(HelpTest, HelpButtonsViewerAndWhatIsThisOpenTheirTopics)
{
    const std::pair<DWORD, std::string> cases[] = {
        {131174, "The History Tab"},        // history page, Help button
        {131185, "New Version"},            // New Version dialog
        {172072, "The Viewer Window"},      // viewer window, F1
        {105537, "Copy"},                   // viewer menu Edit > Copy, F1
        {131190, "Fennory Help Contents"},  // a dialog number the module has no dialog for
    };
    for (const auto& [topic, title] : cases) {
        ShowHelpTopic(nullptr, topic);
        std::string text = WaitForTopic(title);
        EXPECT_EQ(text.substr(0, title.size()), title) << "topic " << topic << " showed " << text.substr(0, 80);
    }
    HELPINFO info = {sizeof(info), HELPINFO_WINDOW, IDC_COMMENT_EDIT};
    ShowContextHelp(IDD_SAVE_PROPERTIES, &info);
    EXPECT_NE(WaitForTopic("Comment").find("A short description of this version"), std::string::npos);
}

}  // namespace
