// The selection list: order, removal, folder test and one-level expansion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_driver.h"
#include "file_list.h"
#include "scratch.h"

using fytest::FillSelection;
using fytest::ScratchFolder;
using fytest::SelectionPaths;
using Paths = std::vector<std::string>;

namespace {

Paths Sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The previous links agree with the next links all the way.
void ExpectConsistentLinks(const FileList& list)
{
    int walked = 0;
    const FileNode* previous = nullptr;
    for (const FileNode* node = list.Head(); node; node = node->next, ++walked) {
        EXPECT_EQ(node->previous, previous);
        previous = node;
    }
    EXPECT_EQ(walked, list.Count());
}

// Creates (or deletes) a file whatever its path's length, through the wide \\?\ form.
bool LongPathFile(const std::string& path, bool create)
{
    std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());
    if (!create)
        return DeleteFileW(wide.c_str()) != FALSE;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

}  // namespace

TEST(SelectionList, NewEntriesGoInFrontAndRemovingRelinksTheNeighbours)
{
    FileList list;
    EXPECT_EQ(list.Head(), nullptr);
    FillSelection(list, {"C:\\A", "C:\\B", "C:\\C", "C:\\D"});
    EXPECT_EQ(SelectionPaths(list), (Paths{"C:\\D", "C:\\C", "C:\\B", "C:\\A"}));
    ExpectConsistentLinks(list);

    list.Remove(list.Head());
    EXPECT_EQ(list.Head()->previous, nullptr) << "the next node becomes the head";
    list.Remove(list.Head()->next);   // B, from the middle
    EXPECT_EQ(SelectionPaths(list), (Paths{"C:\\C", "C:\\A"}));
    list.Remove(list.Head()->next);   // A, the tail
    EXPECT_EQ(SelectionPaths(list), (Paths{"C:\\C"}));
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
}

TEST(SelectionList, FolderTestCountsUnreadablePathsAsFolders)
{
    ScratchFolder scratch;
    fytest::WriteFileText(scratch / "a.txt", "a");
    FileList list;
    FillSelection(list, {scratch.Path(), scratch / "a.txt", scratch / "gone"});
    const FileNode* gone = list.Head();
    EXPECT_TRUE(FileList::IsFolder(gone));
    EXPECT_FALSE(FileList::IsFolder(gone->next));
    EXPECT_TRUE(FileList::IsFolder(gone->next->next));
}

class FolderExpansion : public testing::Test {
protected:
    // docs holds x.txt and y.txt, a hidden and a system file, and a subfolder
    // s with deep.txt; plain.txt lies beside docs.
    void SetUp() override
    {
        folder_ = scratch_ / "docs";
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\s").c_str(), nullptr);
        for (const char* name : {"x.txt", "y.txt", "s\\deep.txt", "h.txt", "sys.txt"})
            fytest::WriteFileText(folder_ + "\\" + name, name);
        SetFileAttributesA((folder_ + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((folder_ + "\\sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        fytest::WriteFileText(scratch_ / "plain.txt", "plain");
    }

    ScratchFolder scratch_;
    std::string folder_;
};

TEST_F(FolderExpansion, FolderIsReplacedByThePlainFilesDirectlyInside)
{
    FileList list;
    FillSelection(list, {scratch_ / "plain.txt", folder_});
    list.ExpandFolders();
    EXPECT_EQ(Sorted(SelectionPaths(list)), Sorted({scratch_ / "plain.txt", folder_ + "\\x.txt", folder_ + "\\y.txt"}))
        << "no subfolder, nothing from inside it, no hidden or system file";
    EXPECT_STREQ(list.Head()->next->next->path, (scratch_ / "plain.txt").c_str())
        << "the folder's files go in front; the file entry stays where it was";
    ExpectConsistentLinks(list);

    // The expansion stays: a second one finds nothing to do.
    list.ExpandFolders();
    EXPECT_EQ(list.Count(), 3);
}

// The file system lists x.txt before y.txt (by name, on NTFS and under Wine),
// and each found file goes in front.
TEST_F(FolderExpansion, FilesComeInTheReverseOfTheSearchOrder)
{
    FileList list;
    list.AddFolderFiles(folder_.c_str());
    EXPECT_EQ(SelectionPaths(list), (Paths{folder_ + "\\y.txt", folder_ + "\\x.txt"}));
}

TEST_F(FolderExpansion, EmptyOrVanishedLeaveNothingAndATrailingBackslashIsNotDoubled)
{
    std::string empty = scratch_ / "empty";
    CreateDirectoryA(empty.c_str(), nullptr);
    FileList list;
    FillSelection(list, {empty, scratch_ / "vanished", folder_ + "\\s\\"});
    list.ExpandFolders();
    EXPECT_EQ(SelectionPaths(list), (Paths{folder_ + "\\s\\deep.txt"}));
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
    size_t room = 259 - deep.size() - 1;
    std::string fits = deep + "\\" + std::string(room - 4, 'f') + ".txt";
    std::string over = deep + "\\" + std::string(room - 3, 'g') + ".txt";
    ASSERT_TRUE(LongPathFile(fits, true));
    ASSERT_TRUE(LongPathFile(over, true));

    FileList list;
    list.AddFolderFiles(deep.c_str());
    EXPECT_EQ(SelectionPaths(list), (Paths{fits}));
    EXPECT_EQ(fits.size(), 259u);
    EXPECT_TRUE(LongPathFile(over, false));
}
