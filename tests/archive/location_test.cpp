// Where a working file's archive lies and what it is called.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "archive_file.h"
#include "path_util.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

using fytest::MappedDrive;
using fytest::MessageBoxAnswerer;
using fytest::ScratchFolder;
using fytest::SettingsScope;

class ArchiveLocation : public testing::Test {
protected:
    void SetUp() override
    {
        e_ = std::make_unique<MappedDrive>('E', eFolder_.Path());
        d_ = std::make_unique<MappedDrive>('D', dFolder_.Path());
        if (!e_->Mapped() || !d_->Mapped())
            FAIL() << "the bench needs drive letters mapped onto scratch folders";
        CreateDirectoryA("E:\\DOCS", nullptr);
        fytest::WriteFileText("E:\\DOCS\\REPORT.DOC", "report");
    }

    SettingsScope settings_;
    ScratchFolder eFolder_, dFolder_;
    std::unique_ptr<MappedDrive> e_, d_;
};

TEST_F(ArchiveLocation, WithoutVersionsPathTheArchiveLiesBesideTheFile)
{
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(archive.IsValid());
    EXPECT_STREQ(archive.workingPath, "E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(archive.workingFolder, "E:\\DOCS");
    EXPECT_STREQ(archive.workingName, "REPORT.DOC");
    EXPECT_STREQ(archive.archiveFolder, "E:\\DOCS");
    EXPECT_STREQ(archive.archiveName, "E$$DOCS$REPORT$DOC.fy");
    EXPECT_STREQ(archive.archivePath, "E:\\DOCS\\E$$DOCS$REPORT$DOC.fy");
    EXPECT_FALSE(archive.Exists());
    EXPECT_FALSE(archive.LocalArchiveExists());
}

TEST_F(ArchiveLocation, MissingCentralFolderIsCreatedAndItsBackslashDropped)
{
    settings_.SetString("VersionsPath", "D:\\VERS\\");
    ASSERT_FALSE(fytest::PathExists("D:\\VERS"));
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(fytest::PathExists("D:\\VERS"));
    EXPECT_STREQ(archive.archiveFolder, "D:\\VERS");
    EXPECT_STREQ(archive.archivePath, "D:\\VERS\\E$$DOCS$REPORT$DOC.fy");

    // A nested central folder is made level by level.
    settings_.SetString("VersionsPath", "D:\\A\\B\\C");
    ArchiveFile nested("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(fytest::PathExists("D:\\A\\B\\C"));
    EXPECT_STREQ(nested.archiveFolder, "D:\\A\\B\\C");
}

TEST_F(ArchiveLocation, DriveRootAsCentralFolder)
{
    settings_.SetString("VersionsPath", "D:\\");
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(archive.archiveFolder, "D:");
    EXPECT_STREQ(archive.archivePath, "D:\\E$$DOCS$REPORT$DOC.fy");
}

TEST_F(ArchiveLocation, ArchiveBesideTheFileWinsOverTheCentralFolder)
{
    fytest::WriteFileText("E:\\DOCS\\E$$DOCS$REPORT$DOC.fy", "archive");
    settings_.SetString("VersionsPath", "D:\\VERS");
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(archive.archiveFolder, "E:\\DOCS");
    EXPECT_TRUE(archive.Exists());
    EXPECT_TRUE(archive.LocalArchiveExists());
    EXPECT_FALSE(fytest::PathExists("D:\\VERS")) << "nothing is created when the archive is beside the file";
}

TEST_F(ArchiveLocation, ArchiveInTheCentralFolderIsFoundThere)
{
    CreateDirectoryA("D:\\VERS", nullptr);
    fytest::WriteFileText("D:\\VERS\\E$$DOCS$REPORT$DOC.fy", "archive");
    settings_.SetString("VersionsPath", "D:\\VERS");
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(archive.Exists());
    EXPECT_FALSE(archive.LocalArchiveExists());

    // A folder bearing the archive's name is not an archive.
    RemoveDirectoryA("D:\\VERS\\E$$DOCS$REPORT$DOC.fy");
    DeleteFileA("D:\\VERS\\E$$DOCS$REPORT$DOC.fy");
    CreateDirectoryA("D:\\VERS\\E$$DOCS$REPORT$DOC.fy", nullptr);
    EXPECT_FALSE(ArchiveFile("E:\\DOCS\\REPORT.DOC").Exists());
}

TEST_F(ArchiveLocation, FileInTheRootOfADrive)
{
    fytest::WriteFileText("E:\\ROOT.TXT", "x");
    ArchiveFile archive("E:\\ROOT.TXT");
    EXPECT_STREQ(archive.workingFolder, "E:");
    EXPECT_STREQ(archive.archiveFolder, "E:");
    EXPECT_STREQ(archive.archiveName, "E$$ROOT$TXT.fy");
    EXPECT_STREQ(archive.archivePath, "E:\\E$$ROOT$TXT.fy");
}

TEST_F(ArchiveLocation, UncreatableCentralFolderIsReportedAndLeavesTheObjectEmpty)
{
    fytest::WriteFileText("D:\\blocker", "a file where a folder should be");
    settings_.SetString("VersionsPath", "D:\\blocker\\VERS");
    MessageBoxAnswerer answerer({IDOK});
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    fytest::ExpectBox(answerer.Boxes()[0], "Can't create Fennory directory!", {IDOK}, fytest::BoxIcon::Stop);

    EXPECT_FALSE(archive.IsValid());
    EXPECT_STREQ(archive.archiveFolder, "D:\\blocker\\VERS");
    EXPECT_STREQ(archive.archivePath, "");
    EXPECT_STREQ(archive.userName, "");
    EXPECT_STREQ(archive.primaryContext.text, "");
    EXPECT_FALSE(archive.Exists());
}

TEST_F(ArchiveLocation, RelativeCentralFolderIsRefusedWithTheSameMessage)
{
    settings_.SetString("VersionsPath", "versions");
    MessageBoxAnswerer answerer({IDOK});
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Can't create Fennory directory!");
    EXPECT_FALSE(archive.IsValid());
}

TEST_F(ArchiveLocation, EmptyVersionsPathCountsAsUnset)
{
    settings_.SetString("VersionsPath", "");
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(archive.archiveFolder, "E:\\DOCS");
    EXPECT_STREQ(archive.archivePath, "E:\\DOCS\\E$$DOCS$REPORT$DOC.fy");
}

TEST_F(ArchiveLocation, UserNameAndStoreContexts)
{
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_GT(strlen(archive.userName), 0u);
    EXPECT_LT(strlen(archive.userName), sizeof(archive.userName));
    EXPECT_STREQ(archive.primaryContext.text, "Fennory (TM)");
    EXPECT_EQ(archive.primaryContext.mode, 0);
    EXPECT_STREQ(archive.secondaryContext.text, "");
    EXPECT_EQ(archive.secondaryContext.mode, 2);
    for (uint8_t b : archive.primaryContext.reserved)
        EXPECT_EQ(b, 0);
}

TEST_F(ArchiveLocation, OverlongPathsNeverOverflowTheFields)
{
    // A working path longer than its field is refused whole, never cut.
    std::string tooLong = "E:\\" + std::string(300, 'x');
    ArchiveFile refused(tooLong.c_str());
    EXPECT_FALSE(refused.IsValid());
    EXPECT_STREQ(refused.workingPath, "");
    EXPECT_FALSE(refused.Exists());

    // A central folder so long that folder and name exceed 260 bytes: the
    // object is built but holds no archive path.
    std::string folder = "D:\\" + std::string(240, 'v');
    settings_.SetString("VersionsPath", folder);
    ArchiveFile longCentral("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(longCentral.archiveFolder, folder.c_str());
    EXPECT_GE(strlen(longCentral.archiveName) + strlen(longCentral.archiveFolder) + 1, 260u);
    EXPECT_STREQ(longCentral.archivePath, "");
    EXPECT_FALSE(longCentral.IsValid());
    EXPECT_FALSE(longCentral.Exists());
}

TEST_F(ArchiveLocation, LongNamesAreNamedByTheirShortFormAndSameNamesInOtherFoldersDiffer)
{
    CreateDirectoryA("E:\\Long folder name", nullptr);
    std::string path = "E:\\Long folder name\\A very long file name.document";
    fytest::WriteFileText(path, "x");
    char name[kPathSize];
    ASSERT_TRUE(MakeArchiveName(path.c_str(), name));
    const std::string made = name;
    EXPECT_EQ(made.rfind("E$$", 0), 0u) << made;
    EXPECT_EQ(made.find_first_of(" .", 0), made.size() - 3) << made << ": no blank and only the .fy dot";
    EXPECT_LT(made.size(), 3 + 9 + 13 + 3u) << made << ": 8.3 levels";

    fytest::WriteFileText("E:\\DOCS\\SAME.TXT", "x");
    fytest::WriteFileText("E:\\SAME.TXT", "x");
    ASSERT_TRUE(MakeArchiveName("E:\\DOCS\\SAME.TXT", name));
    EXPECT_STREQ(name, "E$$DOCS$SAME$TXT.fy");
    ASSERT_TRUE(MakeArchiveName("E:\\SAME.TXT", name));
    EXPECT_STREQ(name, "E$$SAME$TXT.fy");
}

TEST_F(ArchiveLocation, NameOfAFileNotYetThereLeavesNothingBehindAndNoShortFormMeansNoName)
{
    char name[kPathSize];
    ASSERT_TRUE(MakeArchiveName("E:\\DOCS\\NEW.TXT", name));
    EXPECT_STREQ(name, "E$$DOCS$NEW$TXT.fy");
    EXPECT_FALSE(fytest::PathExists("E:\\DOCS\\NEW.TXT"));

    strcpy(name, "stale");
    EXPECT_FALSE(MakeArchiveName("E:\\NO\\SUCH\\FOLDER\\F.TXT", name));
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(MakeArchiveName((std::string("E:\\") + std::string(270, 'n')).c_str(), name));
    EXPECT_STREQ(name, "");
}
