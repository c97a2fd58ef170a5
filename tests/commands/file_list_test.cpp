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

// The paths from the head; the previous links must agree with the next links.
Paths SelectionPaths(const FileList& list)
{
    Paths paths;
    const FileNode* previous = nullptr;
    for (const FileNode* node = list.Head(); node; previous = node, node = node->next) {
        EXPECT_EQ(node->previous, previous);
        paths.push_back(node->path);
    }
    EXPECT_EQ(static_cast<int>(paths.size()), list.Count());
    return paths;
}

// Expanding removes a head (an empty folder), a middle (a vanished path) and a tail entry.
TEST(SelectionList, FoldersGiveWayToThePlainFilesDirectlyInsideThatFitTheField)
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
    // In front, in the reverse of the search order (by name, on NTFS and under Wine).
    const Paths expanded = {docs + "\\y.txt", docs + "\\x.txt", docs + "\\s\\deep.txt", plain};
    EXPECT_EQ(SelectionPaths(list), expanded);
    list.ExpandFolders();
    EXPECT_EQ(SelectionPaths(list), expanded) << "a second expansion finds nothing to do";
    list.Clear();
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Count(), 0);

    // A path that does not fit the 260-byte field is refused, not cut.
    std::string longest = "C:\\" + std::string(256, 'x');
    EXPECT_TRUE(list.AddFront(longest.c_str()));
    EXPECT_FALSE(list.AddFront((longest + "y").c_str()));
    EXPECT_EQ(SelectionPaths(list), (Paths{longest}));
    EXPECT_EQ(FileNode::Create(nullptr), nullptr);
    list.Clear();

    std::string deep = scratch.Path();
    while (deep.size() < 200) {
        deep += "\\" + std::string(std::min<size_t>(40, 200 - deep.size()), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    size_t room = 259 - deep.size() - 1;
    std::wstring fits = L"\\\\?\\" + std::wstring(deep.begin(), deep.end()) + L"\\" + std::wstring(room - 4, 'f');
    for (const std::wstring& name : {fits + L".txt", fits + L"g.txt"})
        CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    list.AddFolderFiles(deep.c_str());
    EXPECT_EQ(SelectionPaths(list), (Paths{deep + "\\" + std::string(room - 4, 'f') + ".txt"}));
    EXPECT_TRUE(DeleteFileW((fits + L"g.txt").c_str())) << "the bench needs a name longer than the field";
}

}  // namespace
