// The path functions the archive layer and the dialogs share.
#include <gtest/gtest.h>

#include "path_util.h"
#include "scratch.h"

using fytest::ScratchFolder;

TEST(SplitPath, SeparatesFolderAndNameAndDropsOneTrailingBackslash)
{
    char folder[kPathSize], name[kPathSize];
    SplitPath("C:\\Docs\\report.doc", folder, name);
    EXPECT_STREQ(folder, "C:\\Docs");
    EXPECT_STREQ(name, "report.doc");

    SplitPath("E:\\root.txt", folder, name);
    EXPECT_STREQ(folder, "E:") << "a file in a drive's root has the bare drive as folder";
    EXPECT_STREQ(name, "root.txt");

    SplitPath("\\\\server\\share\\x.doc", folder, name);
    EXPECT_STREQ(folder, "\\\\server\\share");
    EXPECT_STREQ(name, "x.doc");

    SplitPath("plain.txt", folder, name);
    EXPECT_STREQ(folder, "");
    EXPECT_STREQ(name, "plain.txt");

    SplitPath("C:\\Docs\\", folder, nullptr);
    EXPECT_STREQ(folder, "C:\\Docs");
    SplitPath("C:\\Docs\\a.b.c", nullptr, name);
    EXPECT_STREQ(name, "a.b.c");
}

TEST(PathTests, FilesAndFoldersAreTellableAndABareDriveIsTestedAsItsRoot)
{
    ScratchFolder scratch;
    std::string file = scratch / "f.txt";
    fytest::WriteFileText(file, "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(scratch.Path().c_str()));
    EXPECT_FALSE(FileExists((scratch / "none").c_str()));
    EXPECT_TRUE(FolderExists(scratch.Path().c_str()));
    EXPECT_FALSE(FolderExists(file.c_str()));
    EXPECT_FALSE(FolderExists((scratch / "none").c_str()));

    // Without moving the current folder.
    char before[MAX_PATH], after[MAX_PATH];
    SetCurrentDirectoryA(scratch.Path().c_str());
    GetCurrentDirectoryA(sizeof(before), before);
    EXPECT_TRUE(FolderExists("C:"));
    EXPECT_TRUE(FolderExists("C:\\"));
    GetCurrentDirectoryA(sizeof(after), after);
    EXPECT_STREQ(before, after);
    SetCurrentDirectoryA("C:\\");
}

TEST(PathTests, CreateFolderPathMakesEveryMissingLevel)
{
    ScratchFolder scratch;
    std::string deep = scratch / "a\\b\\c";
    EXPECT_TRUE(CreateFolderPath(deep.c_str()));
    EXPECT_TRUE(FolderExists(deep.c_str()));
    EXPECT_FALSE(CreateFolderPath(deep.c_str())) << "the last level already exists";
    EXPECT_TRUE(CreateFolderPath((scratch / "a\\b\\d\\").c_str()));
    EXPECT_TRUE(FolderExists((scratch / "a\\b\\d").c_str()));

    // A file in the way cannot become a folder.
    fytest::WriteFileText(scratch / "blocker", "x");
    EXPECT_FALSE(CreateFolderPath((scratch / "blocker\\sub").c_str()));
    EXPECT_FALSE(CreateFolderPath(std::string(300, 'q').c_str()));
}

TEST(PathTests, ZeroLengthOnlyForAnOpenableEmptyFile)
{
    ScratchFolder scratch;
    std::string empty = scratch / "empty.txt";
    std::string full = scratch / "full.txt";
    fytest::WriteFileText(empty, "");
    fytest::WriteFileText(full, "content");
    EXPECT_TRUE(IsZeroLengthFile(empty.c_str()));
    EXPECT_FALSE(IsZeroLengthFile(full.c_str()));
    EXPECT_FALSE(IsZeroLengthFile((scratch / "missing").c_str()));
    EXPECT_FALSE(IsZeroLengthFile(scratch.Path().c_str()));

    // Held open by a writer that refuses read sharing: it cannot be opened.
    HANDLE writer = CreateFileA(empty.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsZeroLengthFile(empty.c_str()));
    CloseHandle(writer);
}
