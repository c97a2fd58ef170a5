// Reading the product's settings and the exclusion list.
#include <gtest/gtest.h>

#include "resource.h"
#include "scratch.h"
#include "settings.h"
#include "settings_scope.h"

using fytest::SettingsScope;

TEST(Settings, FirstReadCreatesTheEmptyKeyAndReportsEveryValueMissing)
{
    SettingsScope::RemoveKey();
    ASSERT_FALSE(SettingsScope::KeyExists());

    DWORD value = 1234;
    EXPECT_FALSE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 1234u) << "a failed read must leave the caller's default";
    EXPECT_TRUE(SettingsScope::KeyExists());

    char text[260] = "preset";
    EXPECT_FALSE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    SettingsScope::RemoveKey();
}

TEST(Settings, ReadsNumbersAndTextsByTheirStringTableNames)
{
    SettingsScope settings;
    settings.SetDword("MaxTempVersions", 25);
    settings.SetDword("EnableVersionControl", 1);
    settings.SetString("VersionsPath", "C:\\Central");

    DWORD value = 0;
    EXPECT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 25u);
    EXPECT_TRUE(ReadSettingDword(IDS_REG_ENABLE_VERSION_CONTROL, &value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(ReadSettingDword(IDS_REG_SINGLE_LOCATION, &value));

    char text[260];
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "C:\\Central");
}

// An ordinary account may read the machine's settings but not write them:
// every reader must still see the values.
TEST(Settings, AKeyTheAccountMayOnlyReadIsStillRead)
{
    SettingsScope settings;
    settings.SetDword("MaxTempVersions", 42);
    settings.SetString("VersionsPath", "C:\\Central");

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, READ_CONTROL | WRITE_DAC, &key),
              ERROR_SUCCESS);
    fytest::ReadOnlyKeyScope readOnly(key);
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, KEY_READ | KEY_WRITE, &probe),
              ERROR_ACCESS_DENIED) << "the bench needs a key this process may not write";

    DWORD value = 0;
    EXPECT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 42u);
    char text[260] = "";
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "C:\\Central");
    EXPECT_EQ(OpenSettingsKeyForWriting(), nullptr);
    RegCloseKey(key);
}

TEST(Settings, NumberStoredAsTextGivesItsFirstFourBytes)
{
    SettingsScope settings;
    settings.SetString("MaxTempVersions", "12345");
    DWORD value = 0;
    ASSERT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, static_cast<DWORD>('1' | '2' << 8 | '3' << 16 | '4' << 24));

    settings.SetRaw("MaxTempVersions", REG_BINARY, "\x07", 1);
    ASSERT_TRUE(ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &value));
    EXPECT_EQ(value, 7u) << "a short value fills the low bytes only";
}

TEST(Settings, TextThatDoesNotFitCountsAsMissing)
{
    SettingsScope settings;
    settings.SetString("VersionsPath", std::string(300, 'x'));
    char text[260] = "";
    EXPECT_FALSE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "");

    // Exactly 259 characters and the terminator still fit.
    settings.SetString("VersionsPath", std::string(259, 'y'));
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_EQ(strlen(text), 259u);

    // A value stored without its terminator is terminated by the reader.
    settings.SetRaw("VersionsPath", REG_SZ, "C:\\V", 4);
    memset(text, 'z', sizeof(text));
    EXPECT_TRUE(ReadSettingText(IDS_REG_VERSIONS_PATH, text, sizeof(text)));
    EXPECT_STREQ(text, "C:\\V");
}

class ExclusionList : public testing::Test {
protected:
    SettingsScope settings;
    fytest::ScratchFolder folder;

    std::string MakeFile(const std::string& name)
    {
        std::string path = folder / name;
        fytest::WriteFileText(path, "data");
        return path;
    }
};

TEST_F(ExclusionList, MatchesWholeExtensionsCaseInsensitively)
{
    settings.SetString("VersionExclude", "DOC,XLS");
    EXPECT_TRUE(IsExcluded(MakeFile("report.doc").c_str(), IDS_REG_VERSION_EXCLUDE));
    EXPECT_TRUE(IsExcluded(MakeFile("sheet.Xls").c_str(), IDS_REG_VERSION_EXCLUDE));
    settings.SetString("VersionExclude", "docx");
    EXPECT_TRUE(IsExcluded(MakeFile("a.DocX").c_str(), IDS_REG_VERSION_EXCLUDE));
    settings.SetString("VersionExclude", "DOC,XLS");
    EXPECT_FALSE(IsExcluded(MakeFile("notes.txt").c_str(), IDS_REG_VERSION_EXCLUDE));
    EXPECT_FALSE(IsExcluded(MakeFile("report").c_str(), IDS_REG_VERSION_EXCLUDE));
    EXPECT_FALSE(IsExcluded(MakeFile("archive.do").c_str(), IDS_REG_VERSION_EXCLUDE));
}

TEST_F(ExclusionList, LongExtensionMatchesThroughItsShortForm)
{
    settings.SetString("VersionExclude", "DOC");
    // The short form of report.docx ends in .DOC.
    EXPECT_TRUE(IsExcluded(MakeFile("report.docx").c_str(), IDS_REG_VERSION_EXCLUDE));
}

TEST_F(ExclusionList, EmptyPiecesAreSkippedAndBlanksBelongToThePiece)
{
    settings.SetString("VersionExclude", ",,doc");
    EXPECT_TRUE(IsExcluded(MakeFile("a.doc").c_str(), IDS_REG_VERSION_EXCLUDE));

    settings.SetString("VersionExclude", "doc, txt");
    EXPECT_TRUE(IsExcluded(MakeFile("b.doc").c_str(), IDS_REG_VERSION_EXCLUDE));
    EXPECT_FALSE(IsExcluded(MakeFile("c.txt").c_str(), IDS_REG_VERSION_EXCLUDE));
}

TEST_F(ExclusionList, MissingOrOverlongListExcludesNothing)
{
    std::string path = MakeFile("d.doc");
    EXPECT_FALSE(IsExcluded(path.c_str(), IDS_REG_VERSION_EXCLUDE));
    settings.SetString("VersionExclude", std::string(280, ',') + "doc");
    EXPECT_FALSE(IsExcluded(path.c_str(), IDS_REG_VERSION_EXCLUDE));
}
