// Where a working file's archive lies and what it is called.
#include <gtest/gtest.h>

#include <memory>

#include "archive_file.h"
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
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can't create Fennory directory!");
    EXPECT_EQ(boxes[0].caption, "Fennory (TM)");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_EQ(boxes[0].icon, fytest::BoxIcon::Stop);

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
