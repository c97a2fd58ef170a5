// The built help file under Wine's help engine: the module's own help calls
// open it at the topics a user reaches from Help buttons, F1 and the viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "help.h"
#include "resource.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

BOOL CALLBACK FindTextControl(HWND child, LPARAM param)
{
    char name[64];
    GetClassNameA(child, name, sizeof(name));
    if (_strnicmp(name, "RichEdit", 8) == 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// The help engine runs in a process of its own: find its main window and the
// text of the topic it shows. Waits until that text starts with title.
bool WaitForTopic(const std::string& title, std::string* caption, std::string* text, DWORD timeoutMs = 15000)
{
    DWORD start = GetTickCount();
    do {
        HWND main = FindWindowA("MS_WINHELP", nullptr);
        if (main && IsWindowVisible(main)) {
            HWND control = nullptr;
            EnumChildWindows(main, FindTextControl, reinterpret_cast<LPARAM>(&control));
            if (control) {
                *caption = fytest::GetText(main);
                *text = fytest::GetText(control);
                if (text->compare(0, title.size(), title) == 0)
                    return true;
            }
        }
        fytest::PumpMessages(50);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

class HelpTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings_.SetString("HelpPath", ProgramFolder());
        owner_ = CreateWindowA("STATIC", "help owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
    }

    void TearDown() override
    {
        char path[260];
        GetHelpFilePath(path);
        WinHelpA(owner_, path, HELP_QUIT, 0);
        DWORD start = GetTickCount();
        while (FindWindowA("MS_WINHELP", nullptr) && GetTickCount() - start < 10000)
            fytest::PumpMessages(50);
        HWND left = FindWindowA("MS_WINHELP", nullptr);
        EXPECT_EQ(left, nullptr) << "the help engine did not quit";
        if (left)
            PostMessageA(left, WM_CLOSE, 0, 0);
        DestroyWindow(owner_);
    }

    fytest::SettingsScope settings_;
    HWND owner_ = nullptr;
};

// Help buttons, the viewer window and one of its menu items, and a dialog
// number without a dialog of its own: each opens the help engine (started by
// the first call, reused after) at the topic whose heading is expected.
TEST_F(HelpTest, HelpButtonsAndViewerOpenTheirTopics)
{
    char path[260];
    GetHelpFilePath(path);
    EXPECT_EQ(std::string(path), ProgramFolder() + "\\fennory.hlp");

    const struct {
        DWORD topic;
        const char* title;
    } cases[] = {
        {131174, "The History Tab"},       // history page, Help button
        {131185, "New Version"},           // New Version dialog
        {172072, "The Viewer Window"},     // viewer window, F1
        {105537, "Copy"},                  // viewer menu Edit > Copy, F1
        {131190, "Fennory Help Contents"}, // a dialog number the module has no dialog for
    };
    for (const auto& c : cases) {
        ShowHelpTopic(owner_, c.topic);
        std::string caption, text;
        EXPECT_TRUE(WaitForTopic(c.title, &caption, &text))
            << "topic " << c.topic << " showed \"" << text.substr(0, 80) << "\"";
        EXPECT_EQ(caption, "Fennory Help");
    }
}

// F1 on the Comment box of Save Properties: the module asks for pop-up help
// first; Wine's engine has none, so the control's topic opens instead.
TEST_F(HelpTest, WhatIsThisOnAControlOpensItsTopic)
{
    HWND control = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 10, 10, owner_, nullptr, nullptr, nullptr);
    ASSERT_NE(control, nullptr);
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDC_COMMENT_EDIT;
    info.hItemHandle = control;
    ShowContextHelp(IDD_SAVE_PROPERTIES, &info);
    std::string caption, text;
    EXPECT_TRUE(WaitForTopic("Comment", &caption, &text)) << text.substr(0, 80);
    EXPECT_NE(text.find("A short description of this version"), std::string::npos);
    DestroyWindow(control);
}

}  // namespace
