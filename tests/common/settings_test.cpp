#include <gtest/gtest.h>

#include <cstring>

#include "resource.h"
#include "scratch.h"
#include "settings.h"
#include "settings_scope.h"

using fytest::SettingsScope;

// An ordinary account may read the machine's settings but not write them.
TEST(Settings, ValuesAndTheExclusionListAreReadAlsoFromAKeyTheAccountMayOnlyRead)
{
    SettingsScope::RemoveKey();
    ASSERT_FALSE(SettingsScope::KeyExists());
    DWORD value = 1234;
    EXPECT_FALSE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 1234u);
    EXPECT_TRUE(SettingsScope::KeyExists());
    char text[260] = "preset";
    EXPECT_FALSE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));

    SettingsScope settings;
    settings.SetString("MaxTempVersions", "12345");
    ASSERT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, static_cast<DWORD>('1' | '2' << 8 | '3' << 16 | '4' << 24));
    settings.SetRaw("MaxTempVersions", REG_BINARY, "\x07", 1);
    ASSERT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 7u) << "a short value fills the low bytes only";
    settings.SetString("VersionsPath", std::string(300, 'x'));
    EXPECT_FALSE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "");
    settings.SetString("VersionsPath", std::string(259, 'y'));
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_EQ(strlen(text), 259u);

    // The exclusion list matches whole extensions in any case, also through
    // the short name (report.docx's ends in .DOC).
    fytest::ScratchFolder folder;
    const struct {
        std::string list;
        const char* file;
        bool excluded;
    } cases[] = {
        {"DOC,XLS", "report.doc", true}, {"DOC,XLS", "sheet.Xls", true}, {"docx", "a.DocX", true},
        {"DOC,XLS", "notes.txt", false}, {"DOC,XLS", "report", false},   {"DOC,XLS", "archive.do", false},
        {"DOC", "report.docx", true},    {",,doc", "a.doc", true},       {"doc, txt", "b.doc", true},
        {"doc, txt", "c.txt", false},    {"", "d.doc", false},           {std::string(280, ',') + "doc", "d.doc", false},
    };
    fytest::WriteFileText(folder / "d.doc", "data");
    EXPECT_FALSE(IsExcluded((folder / "d.doc").c_str(), IDS_REG_VERSION_EXCLUDE)) << "no list";
    for (const auto& c : cases) {
        settings.SetString("VersionExclude", c.list);
        std::string path = folder / c.file;
        fytest::WriteFileText(path, "data");
        EXPECT_EQ(IsExcluded(path.c_str(), IDS_REG_VERSION_EXCLUDE), c.excluded) << c.list << " / " << c.file;
    }

    settings.SetString("VersionExclude", "docx");
    settings.SetDword("MaxTempVersions", 42);
    settings.SetDword("EnableVersionControl", 1);
    settings.SetRaw("VersionsPath", REG_SZ, "C:\\V", 4);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, READ_CONTROL | WRITE_DAC, &key),
              ERROR_SUCCESS);
    fytest::ReadOnlyKeyScope readOnly(key);
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, KEY_READ | KEY_WRITE, &probe),
              ERROR_ACCESS_DENIED) << "the bench needs a key this process may not write";
    EXPECT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 42u);
    EXPECT_TRUE(ReadSettingDword(IDS_REG_ENABLE_VERSION_CONTROL, &value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(ReadSettingDword(IDS_REG_SINGLE_LOCATION, &value));
    memset(text, 'z', sizeof(text));
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "C:\\V");
    EXPECT_TRUE(IsExcluded((folder / "a.DocX").c_str(), IDS_REG_VERSION_EXCLUDE));
    EXPECT_EQ(OpenSettingsKeyForWriting(), nullptr);
    RegCloseKey(key);
}
