// The viewer's option dialogs, opened from the viewer window's menu: each
// choice takes effect.
#include <gtest/gtest.h>

#include <richedit.h>

#include <functional>
#include <string>
#include <thread>

#include "scratch.h"
#include "ui_driver.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

using fytest::PressButton;

// Runs a menu command of the frame (its dialog is modal) while a second
// thread finds the dialog by caption and works it.
bool RunDialogCommand(HWND frame, int command, const char* caption, const std::function<void(HWND)>& work)
{
    bool found = false;
    std::thread driver([&] {
        if (HWND dialog = fytest::WaitForWindow("#32770", caption)) {
            found = true;
            work(dialog);
        }
    });
    SendMessageA(frame, WM_COMMAND, command, 0);
    driver.join();
    return found;
}

// Presses a check box or radio button, then OK.
void ChooseAndAccept(HWND dialog, int choice)
{
    PressButton(dialog, choice);
    PressButton(dialog, IDOK);
}

TEST(ViewerOptions, DisplayWrapClipboardFormatAndPrintMargins)
{
    fytest::ViewerKeyScope key(fytest::ProgramFolder().c_str());
    ASSERT_TRUE(LoadViewerLibraries());
    fytest::ScratchFolder scratch;
    std::string copy = scratch / "options.tmp";
    std::string longLine;
    for (int i = 0; i < 60; ++i)
        longLine += "word" + std::to_string(i) + " ";
    fytest::WriteFileText(copy, longLine + "\r\nshort\r\n");
    auto* created = new ViewerFrame;
    ASSERT_TRUE(created->ShowVersion(copy.c_str(), "options.txt", 1));
    HWND frame = created->window;
    MoveWindow(frame, 0, 0, 500, 300, TRUE);
    HWND edit = fytest::TextControlOf(FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr));
    ASSERT_NE(nullptr, edit);

    // Wrapped by default; Display Options turns it off.
    EXPECT_LT(3, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    EXPECT_TRUE(RunDialogCommand(frame, 40012, "Display Options", [](HWND dialog) {
        EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, 1002, BM_GETCHECK, 0, 0));
        ChooseAndAccept(dialog, 1002);
    }));
    EXPECT_EQ(3, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));   // two lines and the empty last one

    // Plain text first; Clipboard Options switches to rich text.
    UINT rtf = RegisterClipboardFormatA("Rich Text Format");
    SendMessageA(edit, EM_SETSEL, 0, 5);
    SendMessageA(frame, WM_COMMAND, 40001, 0);
    EXPECT_EQ("word0", fytest::ClipboardText());
    EXPECT_FALSE(IsClipboardFormatAvailable(rtf));
    EXPECT_TRUE(RunDialogCommand(frame, 40014, "Clipboard Options", [](HWND dialog) { ChooseAndAccept(dialog, 1021); }));
    SendMessageA(frame, WM_COMMAND, 40001, 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(rtf));
    EXPECT_EQ("word0", fytest::ClipboardText());

    // A margin out of range is refused with a message and the dialog stays;
    // a good one is kept.
    EXPECT_TRUE(RunDialogCommand(frame, 40013, "Print Options", [](HWND dialog) {
        EXPECT_EQ("20", fytest::GetControlText(dialog, 1010));
        fytest::SetControlText(dialog, 1010, "150");
        fytest::MessageBoxAnswerer answerer({IDOK}, 10000, "Viewer");
        PressButton(dialog, IDOK);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Each margin is a whole number of millimetres from 0 to 100.", boxes[0].text);
        EXPECT_TRUE(IsWindow(dialog));
        fytest::SetControlText(dialog, 1010, "35");
        PressButton(dialog, IDOK);
    }));
    EXPECT_TRUE(RunDialogCommand(frame, 40013, "Print Options", [](HWND dialog) {
        EXPECT_EQ("35", fytest::GetControlText(dialog, 1010));
        PressButton(dialog, IDCANCEL);
    }));

    // The options belong to the process: back as they were for the other tests.
    EXPECT_TRUE(RunDialogCommand(frame, 40012, "Display Options", [](HWND dialog) { ChooseAndAccept(dialog, 1002); }));
    EXPECT_TRUE(RunDialogCommand(frame, 40014, "Clipboard Options", [](HWND dialog) { ChooseAndAccept(dialog, 1020); }));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    UnloadViewerLibraries();
}

}  // namespace
