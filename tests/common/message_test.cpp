// Message boxes, and where the help file is looked for.
#include <gtest/gtest.h>

#include "help.h"
#include "message.h"
#include "resource.h"
#include "settings_scope.h"
#include "ui_driver.h"

using fytest::MessageBoxAnswerer;

// The commands' tests check texts, buttons, icons and presses.
TEST(MessageBoxes, LongTextIsCutAndTheCaptionMayComeFromAnotherString)
{
    {
        MessageBoxAnswerer answerer({IDOK});
        ShowMessage(nullptr, IDS_ERR_ZERO_LENGTH, MB_OK, std::string(5000, 'b').c_str());
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, std::string(1999, 'b')) << "cut at the 2000-byte buffer";
    }
    MessageBoxAnswerer answerer({IDOK}, 10000, "USER");
    ShowMessageEx(nullptr, IDS_DEFAULT_USER, IDS_ERR_CREATE_FOLDER, MB_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
}

TEST(Help, HelpFileFollowsTheHelpPathSetting)
{
    fytest::SettingsScope settings;
    char path[260];
    GetHelpFilePath(path);
    EXPECT_STREQ(path, "fennory.hlp");
    const std::pair<std::string, const char*> cases[] = {
        {"E:\\HELP", "E:\\HELP\\fennory.hlp"},
        {"E:\\HELP\\", "E:\\HELP\\\\fennory.hlp"},   // a backslash is always added
        {std::string(255, 'h'), "fennory.hlp"},      // too long to join: the bare name
    };
    for (const auto& [setting, expected] : cases) {
        settings.SetString("HelpPath", setting);
        GetHelpFilePath(path);
        EXPECT_STREQ(path, expected) << setting;
    }
    EXPECT_EQ(LoadHelpIds(999), nullptr) << "a dialog without a help table";
}
