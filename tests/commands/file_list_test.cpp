// The selection list: order, removal, folder test and one-level expansion.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_driver.h"
#include "file_list.h"
#include "scratch.h"

using namespace fytest;
using Paths = std::vector<std::string>;

namespace {

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

// docs holds x.txt, y.txt, a hidden and a system file and a subfolder; the list
// starts with an empty folder and a vanished path and ends with docs, so that
// expanding removes a head, a middle and a tail entry.
TEST(SelectionList, FoldersGiveWayToThePlainFilesDirectlyInside)
{
    ScratchFolder scratch;
    const std::string docs = scratch / "docs", plain = scratch / "plain.txt";
    CreateDirectoryA(docs.c_str(), nullptr);
    CreateDirectoryA((docs + "\\s").c_str(), nullptr);
    CreateDirectoryA((scratch / "empty").c_str(), nullptr);
    for (const char* name : {"x.txt", "y.txt", "s\\deep.txt", "h.txt", "sys.txt"})
        WriteFileText(docs + "\\" + name, name);
    SetFileAttributesA((docs + "\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((docs + "\\sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    WriteFileText(plain, "plain");

    FileList list;
    FillSelection(list, {docs, plain, docs + "\\s\\", scratch / "gone", scratch / "empty"});
    EXPECT_TRUE(FileList::IsFolder(list.Head()->next)) << "a path that cannot be read counts as a folder";
    EXPECT_FALSE(FileList::IsFolder(list.Head()->next->next->next));
    list.ExpandFolders();
    // Each folder's files go in front, in the reverse of the search order (by
    // name, on NTFS and under Wine); the file entry stays where it was.
    const Paths expanded = {docs + "\\y.txt", docs + "\\x.txt", docs + "\\s\\deep.txt", plain};
    EXPECT_EQ(SelectionPaths(list), expanded);
    ExpectConsistentLinks(list);
    list.ExpandFolders();
    EXPECT_EQ(SelectionPaths(list), expanded) << "a second expansion finds nothing to do";
    list.Clear();
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Count(), 0);

    // A path that does not fit the 260-byte field is refused, not cut.
    std::string longest = "C:\\" + std::string(256, 'x');
    EXPECT_TRUE(list.AddFront(longest.c_str()));
    EXPECT_STREQ(list.Head()->path, longest.c_str());
    EXPECT_FALSE(list.AddFront((longest + "y").c_str()));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(FileNode::Create(nullptr), nullptr);
}

// Creates a file whatever its path's length, through the wide \\?\ form.
bool CreateLongPathFile(const std::string& path)
{
    std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

TEST(SelectionList, FolderEntryWhosePathWouldPassTheFieldIsLeftOut)
{
    // A folder whose path leaves room for names of exactly 259 - length - 1
    // characters; the file system takes longer names through the \\?\ form.
    ScratchFolder scratch;
    std::string deep = scratch.Path();
    while (deep.size() < 200) {
        deep += "\\" + std::string(std::min<size_t>(40, 200 - deep.size()), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    size_t room = 259 - deep.size() - 1;
    std::string fits = deep + "\\" + std::string(room - 4, 'f') + ".txt";
    std::string over = deep + "\\" + std::string(room - 3, 'g') + ".txt";
    ASSERT_TRUE(CreateLongPathFile(fits));
    ASSERT_TRUE(CreateLongPathFile(over));

    FileList list;
    list.AddFolderFiles(deep.c_str());
    EXPECT_EQ(SelectionPaths(list), (Paths{fits}));
    EXPECT_EQ(fits.size(), 259u);
    EXPECT_TRUE(DeleteFileW((L"\\\\?\\" + std::wstring(over.begin(), over.end())).c_str()));
}

}  // namespace
