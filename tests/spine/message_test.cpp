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

TEST(MessageBoxes, ShowsTheCaptionAndTheFormattedTextWithItsButtons)
{
    MessageBoxAnswerer answerer({IDOK});
    int pressed = ShowMessage(nullptr, IDS_ERR_CREATE_FOLDER, MB_ICONHAND | MB_OK);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(pressed, IDOK);
    EXPECT_EQ(boxes[0].caption, "Fennory (TM)");
    EXPECT_EQ(boxes[0].text, "Can't create Fennory directory!");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
}

TEST(MessageBoxes, ReturnsTheButtonThePersonPressed)
{
    MessageBoxAnswerer answerer({IDCANCEL});
    int pressed = ShowMessage(nullptr, IDS_ERR_CREATE_FOLDER, MB_ICONEXCLAMATION | MB_OKCANCEL);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(pressed, IDCANCEL);
    EXPECT_TRUE(answerer.Boxes()[0].HasButtons({IDOK, IDCANCEL}));
    EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Warning);
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
