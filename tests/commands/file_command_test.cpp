// Moving, copying and deleting files with their archives, end to end: the
// questions, the file dialogs, the progress window with Cancel, and the
// archives as the store sees them afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive_file.h"
#include "command_driver.h"
#include "file_command.h"
#include "file_list.h"
#include "resource.h"
#include "save_version_command.h"
#include "ui_driver.h"

using fytest::BoxIcon;
using fytest::DialogDriver;
using fytest::FillSelection;
using fytest::MessageBoxAnswerer;
using fytest::PathExists;
using fytest::ProgressWatcher;
using fytest::ReadFileText;
using fytest::ReadStoredVersions;
using fytest::StoredComments;
using Texts = std::vector<std::string>;

namespace {

class FileCommand : public fytest::CommandTest {
protected:
    void SetUp() override
    {
        source_ = scratch_ / "src";
        dest_ = scratch_ / "dest";
        CreateDirectoryA(source_.c_str(), nullptr);
        CreateDirectoryA(dest_.c_str(), nullptr);
    }

    // A file in the source folder whose archive beside it holds versions with
    // the comments "", "<name> 2" .. "<name> n"; its content is then that of
    // the last version.
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

    static std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

    HRESULT Run(FileList& selection, UINT offset)
    {
        return DoFileCommand(selection, nullptr, scratch_.Path().c_str(), MAKEINTRESOURCEA(offset), nullptr, SW_SHOW);
    }

    // Runs a copy or move of several files, answering the folder dialog with folder.
    HRESULT RunIntoFolder(FileList& selection, bool move, const std::string& folder)
    {
        DialogDriver driver(move ? "Move Files To" : "Copy Files To",
                            [folder](HWND dialog) { fytest::AnswerFileDialog(dialog, folder + "\\DUMMY.BAK"); });
        return Run(selection, move ? kFileCommandMove : kFileCommandCopy);
    }

    std::string source_, dest_;
};

}  // namespace

TEST_F(FileCommand, DeletingOneFileAsksFirstAndTakesItsArchiveAlong)
{
    std::string path = MakeFileWithHistory("one.txt", 2);
    std::string archive = ArchiveBeside(path);
    FileList selection, empty;
    FillSelection(selection, {path});
    // Other offsets, a verb given by name and an empty selection do nothing
    // (an unanswered box would fail the test through the guard).
    for (UINT offset : {0u, 1u, 5u, 0xFFFFu})
        EXPECT_EQ(Run(selection, offset), S_OK);
    EXPECT_EQ(DoFileCommand(selection, nullptr, nullptr, "delete", nullptr, SW_SHOW), S_OK);
    EXPECT_EQ(Run(empty, kFileCommandDelete), S_OK);
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Are you sure you want to delete " + path + " and all its associated versions?");
        EXPECT_TRUE(boxes[0].HasButtons({IDYES, IDNO}));
        EXPECT_EQ(boxes[0].icon, BoxIcon::Warning);
        EXPECT_TRUE(PathExists(path));
        EXPECT_EQ(ReadStoredVersions(archive).size(), 2u);
    }
    ProgressWatcher watcher;
    MessageBoxAnswerer answerer({IDYES});
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(PathExists(archive)) << "no archive is left behind";
    EXPECT_FALSE(watcher.windowSeen);
}

TEST_F(FileCommand, DeletingSeveralStopsAfterTheFileBeingDeletedWhenCancelled)
{
    std::vector<std::string> paths, archives;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
        paths.push_back(MakeFileWithHistory(name, 1));
        archives.push_back(ArchiveBeside(paths.back()));
    }
    FileList selection;
    FillSelection(selection, paths);   // walked e, d, c, b, a
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text,
                  "Are you sure you want to delete these 5 files and all their associated versions?");
        EXPECT_TRUE(answerer.Boxes()[0].HasButtons({IDYES, IDNO}));
        EXPECT_EQ(answerer.Boxes()[0].icon, BoxIcon::Warning);
        for (const std::string& path : paths)
            EXPECT_TRUE(PathExists(path));
    }

    MessageBoxAnswerer answerer({IDYES});
    ProgressWatcher watcher("Deleting " + paths[3]);
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(watcher.caption, "Deleting...");
    EXPECT_EQ(watcher.rangeHigh, 5);
    EXPECT_EQ(watcher.texts, (Texts{"Deleting " + paths[4], "Deleting " + paths[3]}));
    EXPECT_EQ(watcher.steps, 2) << "the file being deleted is finished and counted";
    for (int i = 0; i < 5; ++i) {
        bool kept = i < 3;
        EXPECT_EQ(PathExists(paths[i]), kept) << paths[i];
        EXPECT_EQ(PathExists(archives[i]), kept) << "the history goes with its file, and only then";
    }
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Deleting...", 100), nullptr);
}

TEST_F(FileCommand, MovingOneFileThroughTheSaveDialogTakesItsHistory)
{
    std::string path = MakeFileWithHistory("report.txt", 3);
    std::string content = ReadFileText(path);
    std::string sourceArchive = ArchiveBeside(path);
    std::string target = dest_ + "\\renamed.txt";
    FileList selection;
    FillSelection(selection, {path});

    DialogDriver driver("Move " + path + " To", [&](HWND dialog) { fytest::AnswerFileDialog(dialog, target); });
    ProgressWatcher watcher;
    EXPECT_EQ(Run(selection, kFileCommandMove), S_OK);
    driver.Join();

    EXPECT_FALSE(watcher.windowSeen);
    EXPECT_EQ(ReadFileText(target), content);
    EXPECT_EQ(StoredComments(ArchiveBeside(target)), (Texts{"", "report.txt 2", "report.txt 3"}));
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(PathExists(sourceArchive));
}

TEST_F(FileCommand, CancelInAFileDialogChangesNothing)
{
    std::string path = MakeFileWithHistory("keep.txt", 1);
    std::string other = MakeFileWithHistory("also.txt", 1);
    FileList one, two;
    FillSelection(one, {path});
    FillSelection(two, {path, other});
    {
        DialogDriver driver("Copy " + path + " To", IDCANCEL);
        EXPECT_EQ(Run(one, kFileCommandCopy), S_OK);
    }
    {
        DialogDriver driver("Move Files To", IDCANCEL);
        EXPECT_EQ(Run(two, kFileCommandMove), S_OK);
    }
    for (const std::string& file : {path, other}) {
        EXPECT_TRUE(PathExists(file));
        EXPECT_TRUE(PathExists(ArchiveBeside(file)));
    }
    EXPECT_EQ(fytest::CountFiles(dest_), 0);
}

TEST_F(FileCommand, CopyingSeveralIntoAPickedFolderCopiesEachArchiveToo)
{
    std::string a = MakeFileWithHistory("a.txt", 2);
    std::string b = MakeFileWithHistory("b.txt", 1);
    std::string bare = source_ + "\\bare.txt";   // no archive: copied like any file
    fytest::WriteFileText(bare, "no history");
    FileList selection;
    FillSelection(selection, {a, b, bare});   // walked bare, b, a

    bool folderList = false;
    DialogDriver driver("Copy Files To", [&](HWND dialog) {
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
    std::string fromTo = "\nFrom '" + source_ + "' to '" + dest_ + "'";
    EXPECT_EQ(watcher.texts, (Texts{"bare.txt" + fromTo, "b.txt" + fromTo, "a.txt" + fromTo}));
    for (const std::string& path : {a, b, bare}) {
        std::string copy = dest_ + "\\" + NameOf(path);
        EXPECT_EQ(ReadFileText(copy), ReadFileText(path)) << copy;
        EXPECT_TRUE(PathExists(path)) << "a copy leaves the source";
    }
    EXPECT_EQ(StoredComments(ArchiveBeside(dest_ + "\\a.txt")), (Texts{"", "a.txt 2"}));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(dest_ + "\\b.txt")).size(), 1u);
    EXPECT_FALSE(PathExists(ArchiveBeside(dest_ + "\\bare.txt")));
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
    for (const char* name : {"b.txt", "c.txt", "d.txt"})
        fytest::WriteFileText(dest_ + "\\" + name, std::string("old ") + name);
    ASSERT_EQ(ArchiveFile((dest_ + "\\c.txt").c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    std::string oldArchiveC = ArchiveBeside(dest_ + "\\c.txt");
    DeleteFileA((dest_ + "\\c.txt").c_str());

    FileList selection;
    FillSelection(selection, {a, b, c, d});   // walked d, c, b, a
    // d: No, c: No, b: Yes. The questions' buttons and icons are the archive
    // layer's, checked there.
    MessageBoxAnswerer answerer({IDNO, IDNO, IDYES});
    EXPECT_EQ(RunIntoFolder(selection, false, dest_), S_OK);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    const std::string replaceFile = "\nThis file already exists.\n\nReplace existing file and all associated versions?";
    EXPECT_EQ(boxes[0].text, dest_ + "\\d.txt" + replaceFile);
    EXPECT_EQ(boxes[1].text, dest_ + "\\c.txt\nAn archive for this file already exists in " + dest_ +
                                 ".\n\nReplace existing archive?");
    EXPECT_EQ(boxes[2].text, dest_ + "\\b.txt" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\d.txt"), "old d.txt");
    EXPECT_FALSE(PathExists(ArchiveBeside(dest_ + "\\d.txt")));
    EXPECT_FALSE(PathExists(dest_ + "\\c.txt"));
    EXPECT_EQ(StoredComments(oldArchiveC), (Texts{""}));
    EXPECT_EQ(ReadFileText(dest_ + "\\b.txt"), ReadFileText(b));
    EXPECT_EQ(StoredComments(ArchiveBeside(dest_ + "\\b.txt")), (Texts{"", "b.txt 2"}));
    EXPECT_EQ(ReadFileText(dest_ + "\\a.txt"), ReadFileText(a));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(dest_ + "\\a.txt")).size(), 1u);

    // Cancel at a question stops the batch: a is walked first and cancelled,
    // so b's newer content never arrives.
    fytest::WriteFileText(b, "b changed since");
    FileList again;
    FillSelection(again, {b, a});
    MessageBoxAnswerer cancel({IDCANCEL});
    EXPECT_EQ(RunIntoFolder(again, false, dest_), S_OK);
    ASSERT_EQ(cancel.Boxes().size(), 1u);
    EXPECT_EQ(cancel.Boxes()[0].text, dest_ + "\\a.txt" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\b.txt"), "b.txt content 2++");
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
    FillSelection(selection, {tooLong, fits});   // walked s.txt, then the long one

    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(RunIntoFolder(selection, false, deep), S_OK);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error!  The file " + longName + " could not be copied to " + deep + "!");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_TRUE(PathExists(deep + "\\s.txt"));
    EXPECT_EQ(fytest::CountFiles(deep), 2) << "only s.txt and its archive: nothing under a cut name";
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(tooLong)).size(), 1u) << "the source is left as it was";
}

// Three files and a folder are saved twice and then moved elsewhere: every
// file arrives with its whole history and nothing stays behind.
TEST_F(FileCommand, SavedSelectionMovesWithItsWholeHistory)
{
    std::string folder = source_ + "\\inner";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"one.txt", "two.txt", "three.txt", "inner\\x.txt", "inner\\y.txt"})
        fytest::WriteFileText(source_ + "\\" + name, std::string("first ") + name);
    FileList selection;
    FillSelection(selection, {source_ + "\\one.txt", folder, source_ + "\\two.txt", source_ + "\\three.txt"});
    {
        DialogDriver driver("New Version - Multiple Files", IDOK);
        EXPECT_EQ(DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW), S_OK);
    }
    ASSERT_EQ(selection.Count(), 5) << "the folder stays expanded in the selection";
    Texts all = fytest::SelectionPaths(selection);
    for (const std::string& path : all)
        fytest::WriteFileText(path, "second " + NameOf(path) + " and more");
    {
        DialogDriver driver("Version Properties - Multiple Files", [](HWND dialog) {
            fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "second round");
            fytest::PressButton(dialog, IDOK);
        });
        EXPECT_EQ(DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW), S_OK);
    }
    {
        ProgressWatcher watcher;
        EXPECT_EQ(RunIntoFolder(selection, true, dest_), S_OK);
        EXPECT_EQ(watcher.caption, "Moving...");
        EXPECT_EQ(watcher.steps, 5);
    }

    for (const std::string& path : all) {
        std::string moved = dest_ + "\\" + NameOf(path);
        EXPECT_EQ(ReadFileText(moved), "second " + NameOf(path) + " and more");
        EXPECT_EQ(StoredComments(ArchiveBeside(moved)), (Texts{"", "second round"})) << moved;
        EXPECT_FALSE(PathExists(path)) << path;
    }
    EXPECT_EQ(fytest::CountFiles(source_) + fytest::CountFiles(folder), 0)
        << "nothing but the emptied folder is left at the old place";
}

// A read-only file goes with its history once the user has said Yes; a file
// another program holds open cannot go, and so keeps its history.
TEST_F(FileCommand, DeletingKeepsTheHistoryOfAFileThatCannotGo)
{
    std::string readOnly = MakeFileWithHistory("locked.txt", 2);
    std::string held = MakeFileWithHistory("held.txt", 2);
    const std::string readOnlyArchive = ArchiveBeside(readOnly);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FileList selection;
    FillSelection(selection, {readOnly, held});
    MessageBoxAnswerer answerer({IDYES});
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    CloseHandle(holder);
    EXPECT_FALSE(PathExists(readOnly));
    EXPECT_FALSE(PathExists(readOnlyArchive));
    EXPECT_TRUE(PathExists(held));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(held)).size(), 2u);
}

// Cancel in the progress window of a move: the file being moved arrives
// whole with its history, the rest stay where they were.
TEST_F(FileCommand, CancelDuringAMoveLeavesTheRestWhereTheyWere)
{
    std::vector<std::string> paths;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        paths.push_back(MakeFileWithHistory(name, 2));
    FileList selection;
    FillSelection(selection, paths);   // walked c, b, a
    ProgressWatcher watcher("b.txt");
    EXPECT_EQ(RunIntoFolder(selection, true, dest_), S_OK);
    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.steps, 2);
    for (const char* name : {"c.txt", "b.txt"}) {
        EXPECT_EQ(StoredComments(ArchiveBeside(dest_ + "\\" + name)).size(), 2u) << name;
        EXPECT_FALSE(PathExists(source_ + "\\" + name));
    }
    EXPECT_FALSE(PathExists(dest_ + "\\a.txt"));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(paths[0])).size(), 2u);
}
