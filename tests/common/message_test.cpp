// Message boxes and context help as the user meets them.
#include <gtest/gtest.h>

#include <cstring>

#include "help.h"
#include "message.h"
#include "resource.h"
#include "settings_scope.h"
#include "ui_driver.h"

using fytest::BoxIcon;
using fytest::MessageBoxAnswerer;

TEST(MessageBoxes, ShowTheTextWithTheButtonsAndIconAskedAndReturnThePress)
{
    MessageBoxAnswerer answerer({IDOK, IDCANCEL});
    EXPECT_EQ(ShowMessage(nullptr, IDS_ERR_CREATE_FOLDER, MB_ICONHAND | MB_OK), IDOK);
    EXPECT_EQ(ShowMessage(nullptr, IDS_ERR_CREATE_FOLDER, MB_ICONEXCLAMATION | MB_OKCANCEL), IDCANCEL);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    fytest::ExpectBox(boxes[0], "Can't create Fennory directory!", {IDOK}, BoxIcon::Stop);
    fytest::ExpectBox(boxes[1], "Can't create Fennory directory!", {IDOK, IDCANCEL}, BoxIcon::Warning);
}

TEST(MessageBoxes, CaptionFromAnotherStringWithShowMessageEx)
{
    MessageBoxAnswerer answerer({IDOK}, 10000, "USER");
    ShowMessageEx(nullptr, IDS_DEFAULT_USER, IDS_ERR_CREATE_FOLDER, MB_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].caption, "USER");
}

// String 1409 is "%s is a zero length file.".
constexpr UINT kZeroLengthMessage = 1409;

TEST(MessageBoxes, LongArgumentIsShownInFullAndOverlongTextIsCut)
{
    std::string argument(300, 'a');
    {
        MessageBoxAnswerer answerer({IDOK});
        ShowMessage(nullptr, kZeroLengthMessage, MB_OK, argument.c_str());
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, argument + " is a zero length file.");
    }
    std::string huge(5000, 'b');
    {
        MessageBoxAnswerer answerer({IDOK});
        ShowMessage(nullptr, kZeroLengthMessage, MB_OK, huge.c_str());
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, std::string(1999, 'b')) << "cut at the 2000-byte message buffer";
    }
}

TEST(Help, HelpFileFollowsTheHelpPathSetting)
{
    fytest::SettingsScope settings;
    char path[260];
    GetHelpFilePath(path);
    EXPECT_STREQ(path, "fennory.hlp");

    settings.SetString("HelpPath", "E:\\HELP");
    GetHelpFilePath(path);
    EXPECT_STREQ(path, "E:\\HELP\\fennory.hlp");

    settings.SetString("HelpPath", "E:\\HELP\\");
    GetHelpFilePath(path);
    EXPECT_STREQ(path, "E:\\HELP\\\\fennory.hlp") << "a backslash is always added after a set path";

    settings.SetString("HelpPath", std::string(255, 'h'));
    GetHelpFilePath(path);
    EXPECT_STREQ(path, "fennory.hlp") << "a folder too long to join falls back on the bare name";
}

TEST(Help, TablesMapControlsToTheirTopics)
{
    const DWORD* table = LoadHelpIds(105);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(table[1], 9u);
    EXPECT_EQ(FindHelpId(105, 1004), 10u);
    EXPECT_EQ(FindHelpId(105, 1003), 11u);
    EXPECT_EQ(FindHelpId(105, 1), 0u);
    EXPECT_EQ(FindHelpId(102, 1020), 35u);
    EXPECT_EQ(FindHelpId(130, 1046), 8u);
    EXPECT_EQ(LoadHelpIds(999), nullptr);
}
