// Where a working file's archive lies and what it is called.
#include <gtest/gtest.h>

#include <cstring>

#include "archive_file.h"
#include "path_util.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace fytest {
namespace {

class ArchiveLocation : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(e_.Mapped() && d_.Mapped()) << "the bench needs drive letters mapped onto scratch folders";
        CreateDirectoryA("E:\\DOCS", nullptr);
        WriteFileText("E:\\DOCS\\REPORT.DOC", "report");
    }

    SettingsScope settings_;
    ScratchFolder eFolder_, dFolder_;
    MappedDrive e_{'E', eFolder_.Path()}, d_{'D', dFolder_.Path()};
};

TEST_F(ArchiveLocation, ArchiveLiesBesideTheFileOrInTheCentralFolderNamedAfterTheShortPath)
{
    ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(archive.IsValid());
    EXPECT_STREQ(archive.workingFolder, "E:\\DOCS");
    EXPECT_STREQ(archive.workingName, "REPORT.DOC");
    EXPECT_STREQ(archive.archivePath, "E:\\DOCS\\E$$DOCS$REPORT$DOC.fy");
    EXPECT_FALSE(archive.Exists());
    EXPECT_GT(strlen(archive.userName), 0u);
    EXPECT_STREQ(archive.primaryContext.text, "Fennory (TM)");
    EXPECT_EQ(archive.primaryContext.mode, 0);
    EXPECT_STREQ(archive.secondaryContext.text, "");
    EXPECT_EQ(archive.secondaryContext.mode, 2);
    for (uint8_t b : archive.primaryContext.reserved)
        EXPECT_EQ(b, 0);
    settings_.SetString("VersionsPath", "");   // counts as unset
    WriteFileText("E:\\ROOT.TXT", "x");
    ArchiveFile root("E:\\ROOT.TXT");
    EXPECT_STREQ(root.workingFolder, "E:");
    EXPECT_STREQ(root.archivePath, "E:\\E$$ROOT$TXT.fy");

    WriteFileText("E:\\DOCS\\E$$DOCS$REPORT$DOC.fy", "archive");
    settings_.SetString("VersionsPath", "D:\\VERS\\");
    ArchiveFile beside("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(beside.archiveFolder, "E:\\DOCS");
    EXPECT_TRUE(beside.Exists());
    EXPECT_TRUE(beside.LocalArchiveExists());
    EXPECT_FALSE(PathExists("D:\\VERS"));

    DeleteFileA("E:\\DOCS\\E$$DOCS$REPORT$DOC.fy");
    ArchiveFile central("E:\\DOCS\\REPORT.DOC");
    EXPECT_TRUE(PathExists("D:\\VERS"));
    EXPECT_STREQ(central.archiveFolder, "D:\\VERS") << "its backslash dropped";
    EXPECT_STREQ(central.archivePath, "D:\\VERS\\E$$DOCS$REPORT$DOC.fy");
    WriteFileText(central.archivePath, "archive");
    EXPECT_TRUE(ArchiveFile("E:\\DOCS\\REPORT.DOC").Exists());
    EXPECT_FALSE(ArchiveFile("E:\\DOCS\\REPORT.DOC").LocalArchiveExists());
    DeleteFileA(central.archivePath);
    CreateDirectoryA(central.archivePath, nullptr);
    EXPECT_FALSE(ArchiveFile("E:\\DOCS\\REPORT.DOC").Exists());

    settings_.SetString("VersionsPath", "D:\\A\\B\\C");
    EXPECT_STREQ(ArchiveFile("E:\\DOCS\\REPORT.DOC").archiveFolder, "D:\\A\\B\\C");
    EXPECT_TRUE(PathExists("D:\\A\\B\\C"));
    settings_.SetString("VersionsPath", "D:\\");
    EXPECT_STREQ(ArchiveFile("E:\\DOCS\\REPORT.DOC").archivePath, "D:\\E$$DOCS$REPORT$DOC.fy");

    CreateDirectoryA("E:\\Long folder name", nullptr);
    std::string path = "E:\\Long folder name\\A very long file name.document";
    WriteFileText(path, "x");
    char name[kPathSize];
    ASSERT_TRUE(MakeArchiveName(path.c_str(), name));
    const std::string made = name;
    EXPECT_EQ(made.rfind("E$$", 0), 0u) << made;
    EXPECT_EQ(made.find_first_of(" .", 0), made.size() - 3) << made << ": no blank and only the .fy dot";
    EXPECT_LT(made.size(), 3 + 9 + 13 + 3u) << made << ": 8.3 levels";
    ASSERT_TRUE(MakeArchiveName("E:\\DOCS\\NEW.TXT", name));
    EXPECT_STREQ(name, "E$$DOCS$NEW$TXT.fy");
    EXPECT_FALSE(PathExists("E:\\DOCS\\NEW.TXT"));
    for (const std::string& refused : {std::string("E:\\NO\\SUCH\\FOLDER\\F.TXT"), "E:\\" + std::string(270, 'n')}) {
        strcpy(name, "stale");
        EXPECT_FALSE(MakeArchiveName(refused.c_str(), name)) << refused;
        EXPECT_STREQ(name, "");
    }
}

TEST_F(ArchiveLocation, UnusableCentralFolderOrOverlongPathLeavesTheObjectEmpty)
{
    WriteFileText("D:\\blocker", "a file where a folder should be");
    settings_.SetString("VersionsPath", "D:\\blocker\\VERS");
    MessageBoxAnswerer answerer({IDOK, IDOK});
    for (int i = 0; i < 2; ++i) {
        ArchiveFile archive("E:\\DOCS\\REPORT.DOC");
        EXPECT_FALSE(archive.IsValid());
        EXPECT_STREQ(archive.archivePath, "");
        EXPECT_STREQ(archive.userName, "");
        EXPECT_STREQ(archive.primaryContext.text, "");
        EXPECT_FALSE(archive.Exists());
    }
    ASSERT_EQ(answerer.Boxes().size(), 2u);
    for (const auto& box : answerer.Boxes())
        ExpectBox(box, "Can't create Fennory directory!", {IDOK}, BoxIcon::Stop);

    ArchiveFile refused(("E:\\" + std::string(300, 'x')).c_str());
    EXPECT_FALSE(refused.IsValid());
    EXPECT_STREQ(refused.workingPath, "");
    std::string folder = "D:\\" + std::string(240, 'v');
    settings_.SetString("VersionsPath", folder);
    ArchiveFile longCentral("E:\\DOCS\\REPORT.DOC");
    EXPECT_STREQ(longCentral.archiveFolder, folder.c_str());
    EXPECT_STREQ(longCentral.archivePath, "");
    EXPECT_FALSE(longCentral.IsValid());
}

TEST(PathUtil, SplitPathAndZeroLengthFiles)
{
    const char* cases[][3] = {
        {"C:\\Docs\\report.doc", "C:\\Docs", "report.doc"},
        {"E:\\root.txt", "E:", "root.txt"},   // a drive's root: the bare drive
        {"\\\\server\\share\\x.doc", "\\\\server\\share", "x.doc"},
        {"plain.txt", "", "plain.txt"},
        {"C:\\Docs\\", "C:\\Docs", ""},
        {"C:\\Docs\\a.b.c", "C:\\Docs", "a.b.c"},
    };
    for (const auto& c : cases) {
        char folder[kPathSize] = "?", name[kPathSize] = "?";
        SplitPath(c[0], folder, nullptr);
        SplitPath(c[0], nullptr, name);
        EXPECT_STREQ(folder, c[1]) << c[0];
        EXPECT_STREQ(name, c[2]) << c[0];
    }

    // Empty and openable: a file held by a writer that refuses read sharing is not.
    ScratchFolder scratch;
    std::string full = scratch / "full.txt", empty = scratch / "empty.txt";
    WriteFileText(full, "x");
    WriteFileText(empty, "");
    EXPECT_TRUE(IsZeroLengthFile(empty.c_str()));
    EXPECT_FALSE(IsZeroLengthFile(full.c_str()));
    EXPECT_FALSE(IsZeroLengthFile((scratch / "none").c_str()));
    EXPECT_FALSE(IsZeroLengthFile(scratch.Path().c_str()));
    HANDLE writer = CreateFileA(empty.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsZeroLengthFile(empty.c_str()));
    CloseHandle(writer);
}

}  // namespace
}  // namespace fytest
