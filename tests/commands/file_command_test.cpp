// Moving, copying and deleting files with their archives, end to end: the
// questions, the file dialogs, the progress window with Cancel, and the
// archives as the store sees them afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "archive_file.h"
#include "command_driver.h"
#include "file_command.h"
#include "file_list.h"
#include "resource.h"
#include "save_version_command.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

using fytest::BoxIcon;
using fytest::DialogDriver;
using fytest::MessageBoxAnswerer;
using fytest::ProgressWatcher;
using fytest::ReadStoredVersions;
using fytest::ScratchFolder;
using fytest::SettingsScope;
using fytest::StoredVersion;

namespace {

const char* Verb(UINT offset)
{
    return MAKEINTRESOURCEA(offset);
}

std::vector<std::string> Comments(const std::vector<StoredVersion>& versions)
{
    std::vector<std::string> comments;
    for (const auto& version : versions)
        comments.push_back(version.comment);
    std::sort(comments.begin(), comments.end());
    return comments;
}

class FileCommand : public testing::Test {
protected:
    void SetUp() override
    {
        source_ = scratch_ / "src";
        dest_ = scratch_ / "dest";
        CreateDirectoryA(source_.c_str(), nullptr);
        CreateDirectoryA(dest_.c_str(), nullptr);
    }

    // A file in the source folder whose archive beside it holds versions
    // "<name> 1" .. "<name> n"; its content is then that of the last version.
    std::string MakeFileWithHistory(const std::string& name, int versions)
    {
        std::string path = source_ + "\\" + name;
        fytest::WriteFileText(path, name + " content 1");
        ArchiveFile archive(path.c_str());
        EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
        for (int i = 2; i <= versions; ++i) {
            fytest::WriteFileText(path, name + " content " + std::to_string(i) + std::string(i, '+'));
            EXPECT_EQ(archive.AddVersion((name + " " + std::to_string(i)).c_str(), 0), 1);
        }
        return path;
    }

    static std::string ArchiveBeside(const std::string& workingPath)
    {
        return workingPath.substr(0, workingPath.rfind('\\') + 1) + fytest::ArchiveNameOf(workingPath);
    }

    static std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

    HRESULT Run(FileList& selection, UINT offset)
    {
        return DoFileCommand(selection, nullptr, scratch_.Path().c_str(), Verb(offset), nullptr, SW_SHOW);
    }

    SettingsScope settings_;
    ScratchFolder scratch_;
    std::string source_, dest_;
};

}  // namespace

TEST_F(FileCommand, DeletingOneFileAsksFirstAndTakesItsArchiveAlong)
{
    std::string path = MakeFileWithHistory("one.txt", 2);
    std::string archive = ArchiveBeside(path);
    FileList selection;
    selection.AddFront(path.c_str());
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Are you sure you want to delete " + path + " and all its associated versions?");
        EXPECT_TRUE(boxes[0].HasButtons({IDYES, IDNO}));
        EXPECT_EQ(boxes[0].icon, BoxIcon::Warning);
        EXPECT_TRUE(fytest::PathExists(path));
        EXPECT_EQ(ReadStoredVersions(archive).size(), 2u);
    }
    ProgressWatcher watcher;
    MessageBoxAnswerer answerer({IDYES});
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_FALSE(fytest::PathExists(path));
    EXPECT_FALSE(fytest::PathExists(archive)) << "no archive is left behind";
    EXPECT_FALSE(watcher.windowSeen);
}

TEST_F(FileCommand, DeletingSeveralStopsAfterTheFileBeingDeletedWhenCancelled)
{
    std::vector<std::string> paths;
    std::vector<std::string> archives;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
        paths.push_back(MakeFileWithHistory(name, 1));
        archives.push_back(ArchiveBeside(paths.back()));   // named while the file is there
    }
    FileList selection;
    fytest::FillSelection(selection, paths);   // walked e, d, c, b, a
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text,
                  "Are you sure you want to delete these 5 files and all their associated versions?");
        EXPECT_TRUE(answerer.Boxes()[0].HasButtons({IDYES, IDNO}));
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Warning);
        for (const std::string& path : paths)
            EXPECT_TRUE(fytest::PathExists(path));
    }

    MessageBoxAnswerer answerer({IDYES});
    ProgressWatcher watcher("Deleting " + paths[3]);
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(watcher.caption, "Deleting...");
    EXPECT_EQ(watcher.rangeHigh, 5);
    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Deleting " + paths[4], "Deleting " + paths[3]}));
    EXPECT_EQ(watcher.steps, 2) << "the file being deleted is finished and counted";
    for (int i : {4, 3}) {
        EXPECT_FALSE(fytest::PathExists(paths[i]));
        EXPECT_FALSE(fytest::PathExists(archives[i]));
    }
    for (int i : {2, 1, 0}) {
        EXPECT_TRUE(fytest::PathExists(paths[i])) << paths[i];
        EXPECT_EQ(ReadStoredVersions(archives[i]).size(), 1u) << "untouched with its history";
    }
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Deleting...", 100), nullptr);
}

TEST_F(FileCommand, MovingOneFileThroughTheSaveDialogTakesItsHistory)
{
    std::string path = MakeFileWithHistory("report.txt", 3);
    std::string content = fytest::ReadFileText(path);
    std::string sourceArchive = ArchiveBeside(path);
    std::string target = dest_ + "\\renamed.txt";
    FileList selection;
    selection.AddFront(path.c_str());

    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Move " + path + " To");
        if (dialog)
            fytest::AnswerFileDialog(dialog, target);
    });
    ProgressWatcher watcher;
    EXPECT_EQ(Run(selection, kFileCommandMove), S_OK);
    driver.Join();

    EXPECT_FALSE(watcher.windowSeen);
    EXPECT_EQ(fytest::ReadFileText(target), content);
    auto versions = ReadStoredVersions(ArchiveBeside(target));
    EXPECT_EQ(versions.size(), 3u);
    EXPECT_EQ(Comments(versions), (std::vector<std::string>{"", "report.txt 2", "report.txt 3"}));
    EXPECT_FALSE(fytest::PathExists(path));
    EXPECT_FALSE(fytest::PathExists(sourceArchive));
}

TEST_F(FileCommand, CancelInAFileDialogChangesNothing)
{
    std::string path = MakeFileWithHistory("keep.txt", 1);
    std::string other = MakeFileWithHistory("also.txt", 1);
    FileList one;
    one.AddFront(path.c_str());
    {
        DialogDriver driver([&] {
            HWND dialog = fytest::WaitForDialog("Copy " + path + " To");
            if (dialog)
                fytest::PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(Run(one, kFileCommandCopy), S_OK);
    }
    FileList two;
    fytest::FillSelection(two, {path, other});
    {
        DialogDriver driver([&] {
            HWND dialog = fytest::WaitForDialog("Move Files To");
            if (dialog)
                fytest::PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(Run(two, kFileCommandMove), S_OK);
    }
    EXPECT_TRUE(fytest::PathExists(path));
    EXPECT_TRUE(fytest::PathExists(other));
    EXPECT_TRUE(fytest::PathExists(ArchiveBeside(path)));
    EXPECT_TRUE(fytest::PathExists(ArchiveBeside(other)));
    EXPECT_FALSE(fytest::PathExists(dest_ + "\\keep.txt"));
    EXPECT_FALSE(fytest::PathExists(dest_ + "\\also.txt"));
}

TEST_F(FileCommand, CopyingSeveralIntoAPickedFolderCopiesEachArchiveToo)
{
    std::string a = MakeFileWithHistory("a.txt", 2);
    std::string b = MakeFileWithHistory("b.txt", 1);
    std::string bare = source_ + "\\bare.txt";   // no archive: copied like any file
    fytest::WriteFileText(bare, "no history");
    FileList selection;
    fytest::FillSelection(selection, {a, b, bare});   // walked bare, b, a

    bool folderList = false;
    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Copy Files To");
        if (!dialog)
            return;
        HWND folders = GetDlgItem(dialog, IDC_PICK_FOLDER_LIST);
        folderList = folders && IsWindowVisible(folders) && GetDlgItem(dialog, IDC_PICK_DRIVES_COMBO);
        fytest::AnswerFileDialog(dialog, dest_ + "\\DUMMY.BAK");
    });
    ProgressWatcher watcher;
    EXPECT_EQ(Run(selection, kFileCommandCopy), S_OK);
    driver.Join();

    EXPECT_TRUE(folderList) << "the folder-picking template is used";
    EXPECT_EQ(watcher.caption, "Copying...");
    EXPECT_EQ(watcher.rangeHigh, 3);
    EXPECT_EQ(watcher.steps, 3);
    EXPECT_EQ(watcher.texts, (std::vector<std::string>{
                                 "bare.txt\nFrom '" + source_ + "' to '" + dest_ + "'",
                                 "b.txt\nFrom '" + source_ + "' to '" + dest_ + "'",
                                 "a.txt\nFrom '" + source_ + "' to '" + dest_ + "'",
                             }));
    for (const std::string& path : {a, b, bare}) {
        std::string copy = dest_ + "\\" + NameOf(path);
        EXPECT_EQ(fytest::ReadFileText(copy), fytest::ReadFileText(path)) << copy;
        EXPECT_TRUE(fytest::PathExists(path)) << "a copy leaves the source";
    }
    EXPECT_EQ(Comments(ReadStoredVersions(ArchiveBeside(dest_ + "\\a.txt"))),
              (std::vector<std::string>{"", "a.txt 2"}));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(dest_ + "\\b.txt")).size(), 1u);
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(dest_ + "\\bare.txt")));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(a)).size(), 2u) << "the source keeps its own history";
}

TEST_F(FileCommand, ReplaceQuestionsAreAnsweredFileByFile)
{
    std::string a = MakeFileWithHistory("a.txt", 1);
    std::string b = MakeFileWithHistory("b.txt", 2);
    std::string c = MakeFileWithHistory("c.txt", 1);
    std::string d = MakeFileWithHistory("d.txt", 1);
    // The destination already holds b and d, and an archive for a c that is
    // no longer there.
    fytest::WriteFileText(dest_ + "\\b.txt", "old b");
    fytest::WriteFileText(dest_ + "\\d.txt", "old d");
    fytest::WriteFileText(dest_ + "\\c.txt", "old c");
    {
        ArchiveFile old((dest_ + "\\c.txt").c_str());
        ASSERT_EQ(old.CreateWithFirstVersion(0, 10, 0, 1), 0);
    }
    std::string oldArchiveC = ArchiveBeside(dest_ + "\\c.txt");
    DeleteFileA((dest_ + "\\c.txt").c_str());
    ASSERT_TRUE(fytest::PathExists(oldArchiveC));

    FileList selection;
    fytest::FillSelection(selection, {a, b, c, d});   // walked d, c, b, a
    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Copy Files To");
        if (dialog)
            fytest::AnswerFileDialog(dialog, dest_ + "\\DUMMY.BAK");
    });
    // d: Cancel (the next file still follows), c: No, b: Yes.
    MessageBoxAnswerer answerer({IDCANCEL, IDNO, IDYES});
    EXPECT_EQ(Run(selection, kFileCommandCopy), S_OK);
    driver.Join();

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, dest_ + "\\d.txt\nThis file already exists.\n\nReplace existing file and all associated versions?");
    EXPECT_EQ(boxes[1].text, dest_ + "\\c.txt\nAn archive for this file already exists in " + dest_ +
                                 ".\n\nReplace existing archive?");
    EXPECT_EQ(boxes[2].text, dest_ + "\\b.txt\nThis file already exists.\n\nReplace existing file and all associated versions?");
    for (const auto& box : boxes) {
        EXPECT_TRUE(box.HasButtons({IDYES, IDNO, IDCANCEL}));
        EXPECT_EQ(box.icon, BoxIcon::Warning);
    }
    EXPECT_EQ(fytest::ReadFileText(dest_ + "\\d.txt"), "old d");
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(dest_ + "\\d.txt")));
    EXPECT_FALSE(fytest::PathExists(dest_ + "\\c.txt"));
    EXPECT_EQ(Comments(ReadStoredVersions(oldArchiveC)), (std::vector<std::string>{""}));
    EXPECT_EQ(fytest::ReadFileText(dest_ + "\\b.txt"), fytest::ReadFileText(b));
    EXPECT_EQ(Comments(ReadStoredVersions(ArchiveBeside(dest_ + "\\b.txt"))),
              (std::vector<std::string>{"", "b.txt 2"}));
    EXPECT_EQ(fytest::ReadFileText(dest_ + "\\a.txt"), fytest::ReadFileText(a));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(dest_ + "\\a.txt")).size(), 1u);
}

TEST_F(FileCommand, NameThatWouldPassThePathLimitIsRefusedNotCut)
{
    // A folder short enough for the archives of short names to fit beside
    // their files, and a name too long to follow it.
    std::string deep = scratch_.Path() + "\\" + std::string(120 - scratch_.Path().size() - 1, 'L');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string longName = std::string(136, 'n') + ".txt";   // 120 + 1 + 140 > 259
    std::string tooLong = MakeFileWithHistory(longName, 1);
    std::string fits = MakeFileWithHistory("s.txt", 1);
    FileList selection;
    fytest::FillSelection(selection, {tooLong, fits});   // walked s.txt, then the long one

    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Copy Files To");
        if (dialog)
            fytest::AnswerFileDialog(dialog, deep + "\\DUMMY.BAK");
    });
    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Run(selection, kFileCommandCopy), S_OK);
    driver.Join();

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error!  The file " + longName + " could not be copied to " + deep + "!");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_TRUE(fytest::PathExists(deep + "\\s.txt"));
    // Only s.txt and its archive arrived: nothing under a cut name.
    WIN32_FIND_DATAA found;
    int entries = 0;
    HANDLE search = FindFirstFileA((deep + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++entries;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(tooLong)).size(), 1u) << "the source is left as it was";
}

TEST_F(FileCommand, OtherCommandsAndNamedVerbsDoNothing)
{
    std::string path = MakeFileWithHistory("stay.txt", 1);
    FileList selection;
    selection.AddFront(path.c_str());
    for (UINT offset : {0u, 1u, 5u, 0xFFFFu})
        EXPECT_EQ(Run(selection, offset), S_OK);
    EXPECT_EQ(DoFileCommand(selection, nullptr, nullptr, "delete", nullptr, SW_SHOW), S_OK);
    FileList empty;
    EXPECT_EQ(Run(empty, kFileCommandDelete), S_OK);
    EXPECT_TRUE(fytest::PathExists(path));
    EXPECT_TRUE(fytest::PathExists(ArchiveBeside(path)));
}

// Three files and a folder are saved twice and then moved elsewhere: every
// file arrives with its whole history and nothing stays behind.
TEST_F(FileCommand, SavedSelectionMovesWithItsWholeHistory)
{
    std::vector<std::string> files;
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        files.push_back(source_ + "\\" + name);
        fytest::WriteFileText(files.back(), std::string("first ") + name);
    }
    std::string folder = source_ + "\\inner";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"x.txt", "y.txt"}) {
        std::string path = folder + "\\" + name;
        fytest::WriteFileText(path, std::string("first ") + name);
    }
    FileList selection;
    fytest::FillSelection(selection, {files[0], folder, files[1], files[2]});

    {
        DialogDriver driver([] {
            HWND dialog = fytest::WaitForDialog("New Version - Multiple Files");
            if (dialog)
                fytest::PressButton(dialog, IDOK);
        });
        EXPECT_EQ(DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW), S_OK);
    }
    ASSERT_EQ(selection.Count(), 5) << "the folder stays expanded in the selection";
    std::vector<std::string> all = fytest::SelectionPaths(selection);
    for (const std::string& path : all)
        fytest::WriteFileText(path, "second " + NameOf(path) + " and more");
    {
        DialogDriver driver([] {
            HWND dialog = fytest::WaitForDialog("Version Properties - Multiple Files");
            if (!dialog)
                return;
            fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "second round");
            fytest::PressButton(dialog, IDOK);
        });
        EXPECT_EQ(DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW), S_OK);
    }
    {
        DialogDriver driver([&] {
            HWND dialog = fytest::WaitForDialog("Move Files To");
            if (dialog)
                fytest::AnswerFileDialog(dialog, dest_ + "\\DUMMY.BAK");
        });
        ProgressWatcher watcher;
        EXPECT_EQ(Run(selection, kFileCommandMove), S_OK);
        EXPECT_EQ(watcher.caption, "Moving...");
        EXPECT_EQ(watcher.steps, 5);
    }

    for (const std::string& path : all) {
        std::string moved = dest_ + "\\" + NameOf(path);
        EXPECT_EQ(fytest::ReadFileText(moved), "second " + NameOf(path) + " and more");
        EXPECT_EQ(Comments(ReadStoredVersions(ArchiveBeside(moved))), (std::vector<std::string>{"", "second round"}))
            << moved;
        EXPECT_FALSE(fytest::PathExists(path)) << path;
    }
    // Nothing but the emptied folder is left at the old place.
    WIN32_FIND_DATAA found;
    int left = 0;
    for (const std::string& pattern : {source_ + "\\*", folder + "\\*"}) {
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ++left;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(left, 0);
}
