// The New Version and Version Properties dialogs, driven on screen.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "command_driver.h"
#include "help.h"
#include "resource.h"
#include "save_options.h"
#include "settings_scope.h"
#include "ui_driver.h"

using fytest::DialogDriver;
using fytest::FakeHelpEngine;
using fytest::MessageBoxAnswerer;
using fytest::SettingsScope;

namespace {

bool IsChecked(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED;
}

}  // namespace

TEST(NewVersionDialog, ShowsTheSettingsAndReturnsTheChoices)
{
    SettingsScope settings;
    settings.SetDword("UseCompression", 1);
    settings.SetDword("SingleLocation", 0);
    settings.SetDword("MaxTempVersions", 25);
    SaveOptions options;   // defaults 0, 1 and 10 give way to the settings
    options.newArchive = 1;
    char title[] = "Multiple Files";
    options.titleName = title;

    bool compressionShown = false, singleShown = true, permanentShown = true;
    std::string maxShown;
    int low = 0, high = 0;
    DialogDriver driver("New Version - Multiple Files", [&](HWND dialog) {
        permanentShown = IsChecked(dialog, IDC_FIRST_PERMANENT_CHECK);
        compressionShown = IsChecked(dialog, IDC_COMPRESSION_CHECK);
        singleShown = IsChecked(dialog, IDC_SINGLE_LOCATION_CHECK);
        maxShown = fytest::GetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT);
        fytest::SendWithin(GetDlgItem(dialog, IDC_NEW_MAX_TEMP_SPIN), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                           reinterpret_cast<LPARAM>(&high));
        CheckDlgButton(dialog, IDC_FIRST_PERMANENT_CHECK, BST_CHECKED);
        CheckDlgButton(dialog, IDC_COMPRESSION_CHECK, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_SINGLE_LOCATION_CHECK, BST_CHECKED);
        fytest::SetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT, "");
        fytest::TypeText(dialog, IDC_NEW_MAX_TEMP_EDIT, "4x2");   // the field takes digits only
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(options.RunDialog(nullptr), IDOK);
    driver.Join();

    EXPECT_FALSE(permanentShown);
    EXPECT_TRUE(compressionShown);
    EXPECT_FALSE(singleShown);
    EXPECT_EQ(maxShown, "25");
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 32767);
    EXPECT_EQ(options.permanent, 1);
    EXPECT_EQ(options.useCompression, 0);
    EXPECT_EQ(options.singleLocation, 1);
    EXPECT_EQ(options.maxTempVersions, 42);
}

TEST(NewVersionDialog, MaximumOutsideTheRangeKeepsTheDialogOpen)
{
    SettingsScope settings;
    SaveOptions options;
    options.newArchive = 1;
    char title[] = "report.txt";
    options.titleName = title;

    MessageBoxAnswerer answerer({IDOK, IDOK, IDOK});
    std::vector<bool> openAfter;
    DialogDriver driver("New Version - report.txt", [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_COMPRESSION_CHECK, BST_CHECKED);
        for (const char* typed : {"0", "40000", ""}) {
            fytest::SetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT, typed);
            fytest::PressButton(dialog, IDOK);
            // The box comes and is answered; the dialog must still be there.
            fytest::WaitUntil([] { return fytest::FindMessageBox("Fennory (TM)") != nullptr; });
            fytest::WaitUntil([] { return fytest::FindMessageBox("Fennory (TM)") == nullptr; });
            fytest::WaitUntilServed(dialog);
            openAfter.push_back(IsWindow(dialog) && IsWindowVisible(dialog));
        }
        fytest::SetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT, "32767");
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(options.RunDialog(nullptr), IDOK);
    driver.Join();

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes)
        fytest::ExpectBox(box, "Maximum number of temporary versions must be between 1 and 32767.", {IDOK},
                          fytest::BoxIcon::Stop);
    EXPECT_EQ(openAfter, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(options.maxTempVersions, 32767);
    EXPECT_EQ(options.useCompression, 1);
}

TEST(VersionPropertiesDialog, ShowsTheCommentAndTakesTheUsersWords)
{
    SaveOptions options;
    options.newArchive = 0;
    char title[] = "report.txt";
    options.titleName = title;
    strcpy(options.comment, "Version 7");

    std::string commentShown, afterTyping;
    bool permanentShown = true;
    DialogDriver driver("Version Properties - report.txt", [&](HWND dialog) {
        commentShown = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        permanentShown = IsChecked(dialog, IDC_PERMANENT_CHECK);
        // Typing stops at 128 characters.
        fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "");
        fytest::TypeText(dialog, IDC_COMMENT_EDIT, std::string(120, 'c') + "0123456789ABCDEF");
        afterTyping = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(options.RunDialog(nullptr), IDOK);
    driver.Join();

    EXPECT_EQ(commentShown, "Version 7");
    EXPECT_FALSE(permanentShown);
    EXPECT_EQ(afterTyping, std::string(120, 'c') + "01234567");
    EXPECT_EQ(std::string(options.comment), afterTyping);
    EXPECT_EQ(options.permanent, 1);
}

namespace {

// Runs one dialog, presses its Help button and asks what-is-this help for
// two controls, then closes it; returns what the help engine received.
std::vector<FakeHelpEngine::Request> HelpRequestsOf(int newArchive, const std::string& caption,
                                                    std::initializer_list<int> controls)
{
    FakeHelpEngine help;
    SaveOptions options;
    options.newArchive = newArchive;
    char title[] = "a.txt";
    options.titleName = title;
    DialogDriver driver(caption, [&](HWND dialog) {
        fytest::PressButton(dialog, IDC_HELP_BUTTON);
        fytest::WaitUntil([&] { return help.Requests().size() >= 1; }, 5000);
        for (int control : controls) {
            HELPINFO info = {sizeof(info)};
            info.iContextType = HELPINFO_WINDOW;
            info.iCtrlId = control;
            info.hItemHandle = GetDlgItem(dialog, control);
            fytest::SendWithin(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        }
        fytest::PressButton(dialog, IDCANCEL);
    });
    options.RunDialog(nullptr);
    driver.Join();
    return help.Requests();
}

// Wine's engine has no pop-up help: what-is-this help opens the control's
// own topic instead.
bool IsHelpFor(const FakeHelpEngine::Request& request, DWORD helpId)
{
    return request.command == HELP_CONTEXT && request.data == helpId;
}

// What a Windows help engine is handed for pop-up help: the command and the
// (control, topic) pairs of the table, up to its closing zero.
struct PopupRequest {
    UINT command = 0;
    std::vector<DWORD> pairs;
};
PopupRequest g_popup;

BOOL WINAPI RecordPopupHelp(HWND, LPCSTR, UINT command, ULONG_PTR data)
{
    g_popup.command = command;
    g_popup.pairs.clear();
    for (auto* pair = reinterpret_cast<const DWORD*>(data); pair && pair[0] != 0 && g_popup.pairs.size() < 200; pair += 2)
        g_popup.pairs.insert(g_popup.pairs.end(), {pair[0], pair[1]});
    return TRUE;
}

}  // namespace

TEST(SaveDialogsHelp, HelpButtonAndWhatIsThisHelpOpenTheirTopics)
{
    SettingsScope settings;
    settings.SetString("HelpPath", "C:\\HELP");

    auto properties = HelpRequestsOf(0, "Version Properties - a.txt", {IDC_COMMENT_EDIT, IDC_PERMANENT_CHECK});
    ASSERT_EQ(properties.size(), 3u);
    EXPECT_EQ(properties[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(properties[0].data, 131177u);
    EXPECT_EQ(properties[0].file, "C:\\HELP\\fennory.hlp");
    EXPECT_TRUE(IsHelpFor(properties[1], 10));
    EXPECT_TRUE(IsHelpFor(properties[2], 11));

    auto newVersion = HelpRequestsOf(1, "New Version - a.txt", {IDC_NEW_MAX_TEMP_EDIT, IDC_SINGLE_LOCATION_CHECK});
    ASSERT_EQ(newVersion.size(), 3u);
    EXPECT_EQ(newVersion[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(newVersion[0].data, 131185u);
    EXPECT_TRUE(IsHelpFor(newVersion[1], 38));
    EXPECT_TRUE(IsHelpFor(newVersion[2], 40));
}

// Where the engine shows pop-up help (Windows), the dialog's whole table goes
// to it in one HELP_WM_HELP request.
TEST(SaveDialogsHelp, WhatIsThisHandsTheDialogsTableToAPopupEngine)
{
    WinHelpEntry previous = SetWinHelpEntry(RecordPopupHelp);
    SaveOptions options;
    char title[] = "a.txt";
    options.titleName = title;
    DialogDriver driver("Version Properties - a.txt", [&](HWND dialog) {
        HELPINFO info = {sizeof(info)};
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = IDC_COMMENT_EDIT;
        info.hItemHandle = GetDlgItem(dialog, IDC_COMMENT_EDIT);
        fytest::SendWithin(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        fytest::PressButton(dialog, IDCANCEL);
    });
    options.RunDialog(nullptr);
    driver.Join();
    SetWinHelpEntry(previous);
    EXPECT_EQ(g_popup.command, static_cast<UINT>(HELP_WM_HELP));
    EXPECT_EQ(g_popup.pairs, (std::vector<DWORD>{1004, 10, 1003, 11}));
}
