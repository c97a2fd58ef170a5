// The selection list: order, removal, folder test and one-level expansion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_driver.h"
#include "file_list.h"
#include "scratch.h"

using fytest::ScratchFolder;
using fytest::SelectionPaths;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The previous links agree with the next links all the way.
void ExpectConsistentLinks(const FileList& list)
{
    int walked = 0;
    const FileNode* previous = nullptr;
    for (const FileNode* node = list.Head(); node; node = node->next) {
        EXPECT_EQ(node->previous, previous);
        previous = node;
        ++walked;
    }
    EXPECT_EQ(walked, list.Count());
}

// Writes a file whatever its path's length, through the wide \\?\ form.
bool WriteLongPathFile(const std::string& path)
{
    std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool DeleteLongPathFile(const std::string& path)
{
    std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());
    return DeleteFileW(wide.c_str()) != FALSE;
}

}  // namespace

TEST(SelectionList, NewEntriesGoInFront)
{
    FileList list;
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(list.AddFront("C:\\A"));
    ASSERT_TRUE(list.AddFront("C:\\B"));
    ASSERT_TRUE(list.AddFront("C:\\C"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(SelectionPaths(list), (std::vector<std::string>{"C:\\C", "C:\\B", "C:\\A"}));
    ExpectConsistentLinks(list);
}

TEST(SelectionList, RemovingRelinksItsNeighbours)
{
    FileList list;
    fytest::FillSelection(list, {"C:\\A", "C:\\B", "C:\\C", "C:\\D"});
    // Head: D, C, B, A.
    list.Remove(list.Head());
    EXPECT_STREQ(list.Head()->path, "C:\\C") << "the next node becomes the head";
    EXPECT_EQ(list.Head()->previous, nullptr);
    list.Remove(list.Head()->next);   // B, from the middle
    EXPECT_EQ(SelectionPaths(list), (std::vector<std::string>{"C:\\C", "C:\\A"}));
    list.Remove(list.Head()->next);   // A, the tail
    EXPECT_EQ(SelectionPaths(list), (std::vector<std::string>{"C:\\C"}));
    EXPECT_EQ(list.Count(), 1);
    ExpectConsistentLinks(list);
    list.Clear();
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Count(), 0);
    list.AddFront("C:\\E");
    EXPECT_EQ(list.Count(), 1) << "a cleared list is usable again";
}

TEST(SelectionList, PathLongerThanTheFieldIsRefusedNotCut)
{
    FileList list;
    std::string longest = "C:\\" + std::string(256, 'x');   // 259 characters: fits with its terminator
    EXPECT_TRUE(list.AddFront(longest.c_str()));
    EXPECT_STREQ(list.Head()->path, longest.c_str());
    std::string tooLong = longest + "y";
    EXPECT_FALSE(list.AddFront(tooLong.c_str()));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(FileNode::Create(tooLong.c_str()), nullptr);
    EXPECT_EQ(FileNode::Create(nullptr), nullptr);
    FileNode* node = FileNode::Create("C:\\A");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(node->previous, nullptr);
    list.AddFront(node);
    EXPECT_EQ(list.Head(), node);
    EXPECT_EQ(list.Count(), 2);
}

TEST(SelectionList, FolderTestCountsUnreadablePathsAsFolders)
{
    ScratchFolder scratch;
    fytest::WriteFileText(scratch / "a.txt", "a");
    FileList list;
    fytest::FillSelection(list, {scratch.Path(), scratch / "a.txt", scratch / "gone"});
    const FileNode* gone = list.Head();
    const FileNode* file = gone->next;
    const FileNode* folder = file->next;
    EXPECT_TRUE(FileList::IsFolder(folder));
    EXPECT_FALSE(FileList::IsFolder(file));
    EXPECT_TRUE(FileList::IsFolder(gone));
}

class FolderExpansion : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = scratch_ / "docs";
        CreateDirectoryA(folder_.c_str(), nullptr);
        fytest::WriteFileText(folder_ + "\\x.txt", "x");
        fytest::WriteFileText(folder_ + "\\y.txt", "y");
        CreateDirectoryA((folder_ + "\\s").c_str(), nullptr);
        fytest::WriteFileText(folder_ + "\\s\\deep.txt", "deep");
        fytest::WriteFileText(folder_ + "\\h.txt", "hidden");
        SetFileAttributesA((folder_ + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        fytest::WriteFileText(folder_ + "\\sys.txt", "system");
        SetFileAttributesA((folder_ + "\\sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        fytest::WriteFileText(scratch_ / "plain.txt", "plain");
    }

    void TearDown() override
    {
        SetFileAttributesA((folder_ + "\\h.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA((folder_ + "\\sys.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    ScratchFolder scratch_;
    std::string folder_;
};

TEST_F(FolderExpansion, FolderIsReplacedByThePlainFilesDirectlyInside)
{
    FileList list;
    fytest::FillSelection(list, {scratch_ / "plain.txt", folder_});
    list.ExpandFolders();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(Sorted(SelectionPaths(list)),
              Sorted({scratch_ / "plain.txt", folder_ + "\\x.txt", folder_ + "\\y.txt"}))
        << "no subfolder, nothing from inside it, no hidden or system file";
    EXPECT_STREQ(list.Head()->next->next->path, (scratch_ / "plain.txt").c_str())
        << "the folder's files go in front; the file entry stays where it was";
    ExpectConsistentLinks(list);

    // The expansion stays: a second one finds nothing to do.
    list.ExpandFolders();
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(FolderExpansion, FilesComeInTheReverseOfTheSearchOrder)
{
    FileList list;
    list.AddFolderFiles(folder_.c_str());
    std::vector<std::string> searched;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\*.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        std::string name = found.cFileName;
        if (name == "x.txt" || name == "y.txt")
            searched.insert(searched.begin(), folder_ + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(SelectionPaths(list), searched);
}

TEST_F(FolderExpansion, TrailingBackslashGivesOneBackslashBeforeTheName)
{
    FileList list;
    fytest::FillSelection(list, {folder_ + "\\"});
    list.ExpandFolders();
    EXPECT_EQ(Sorted(SelectionPaths(list)), Sorted({folder_ + "\\x.txt", folder_ + "\\y.txt"}));
}

TEST_F(FolderExpansion, EmptyFolderAndVanishedPathLeaveNothing)
{
    std::string empty = scratch_ / "empty";
    CreateDirectoryA(empty.c_str(), nullptr);
    FileList list;
    fytest::FillSelection(list, {empty, scratch_ / "vanished", folder_ + "\\s"});
    list.ExpandFolders();
    EXPECT_EQ(SelectionPaths(list), (std::vector<std::string>{folder_ + "\\s\\deep.txt"}));
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(FolderExpansion, EntryWhosePathWouldPassTheFieldIsLeftOut)
{
    // A folder whose path leaves room for names of exactly 259 - length - 1
    // characters; the file system takes longer names through the \\?\ form.
    std::string deep = scratch_.Path();
    while (deep.size() < 200) {
        deep += "\\" + std::string(std::min<size_t>(40, 200 - deep.size()), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    ASSERT_TRUE(fytest::PathExists(deep));
    size_t room = 259 - deep.size() - 1;
    std::string fits = std::string(room - 4, 'f') + ".txt";
    std::string over = std::string(room - 3, 'g') + ".txt";
    ASSERT_TRUE(WriteLongPathFile(deep + "\\" + fits));
    ASSERT_TRUE(WriteLongPathFile(deep + "\\" + over));

    FileList list;
    list.AddFolderFiles(deep.c_str());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(std::string(list.Head()->path), deep + "\\" + fits);
    EXPECT_EQ(strlen(list.Head()->path), 259u);

    EXPECT_TRUE(DeleteLongPathFile(deep + "\\" + over));
}
