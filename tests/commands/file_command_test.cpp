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
#include "ui_driver.h"

using fytest::BoxIcon;
using fytest::DialogDriver;
using fytest::ExpectBox;
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
        CommandTest::SetUp();
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

    // The files in folder, sorted.
    static Texts Listing(const std::string& folder)
    {
        Texts names = fytest::FilesIn(folder);
        std::sort(names.begin(), names.end());
        return names;
    }

    HRESULT Run(FileList& selection, UINT offset)
    {
        return DoFileCommand(selection, nullptr, "S:\\", MAKEINTRESOURCEA(offset), nullptr, SW_SHOW);
    }

    // Runs a copy or move of several files, answering the folder dialog with folder.
    HRESULT RunIntoFolder(FileList& selection, bool move, const std::string& folder)
    {
        DialogDriver driver(move ? "Move Files To" : "Copy Files To",
                            [folder](HWND dialog) { fytest::AnswerFileDialog(dialog, folder + "\\DUMMY.BAK"); });
        return Run(selection, move ? kFileCommandMove : kFileCommandCopy);
    }

    const std::string source_ = "S:\\SRC", dest_ = "S:\\DEST";
};

}  // namespace

TEST_F(FileCommand, DeletingOneFileAsksFirstAndTakesItsArchiveAlong)
{
    std::string path = MakeFileWithHistory("ONE.TXT", 2);
    const std::string archive = "S:\\SRC\\S$$SRC$ONE$TXT.fy";
    FileList selection, empty;
    FillSelection(selection, {path});
    {
        // Other offsets, a verb given by name and an empty selection do nothing.
        fytest::NoMessageBoxes noBox;
        for (UINT offset : {0u, 1u, 5u, 0xFFFFu})
            EXPECT_EQ(Run(selection, offset), S_OK);
        EXPECT_EQ(DoFileCommand(selection, nullptr, nullptr, "delete", nullptr, SW_SHOW), S_OK);
        EXPECT_EQ(Run(empty, kFileCommandDelete), S_OK);
    }
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        ExpectBox(answerer.Boxes()[0], "Are you sure you want to delete S:\\SRC\\ONE.TXT and all its associated versions?",
                  {IDYES, IDNO}, BoxIcon::Warning);
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
    std::vector<std::string> paths;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "D.TXT", "E.TXT"})
        paths.push_back(MakeFileWithHistory(name, 1));
    FileList selection;
    FillSelection(selection, paths);   // walked e, d, c, b, a
    {
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        ExpectBox(answerer.Boxes()[0], "Are you sure you want to delete these 5 files and all their associated versions?",
                  {IDYES, IDNO}, BoxIcon::Warning);
        EXPECT_EQ(fytest::FilesIn(source_).size(), 10u);
    }

    MessageBoxAnswerer answerer({IDYES});
    ProgressWatcher watcher("Deleting " + paths[3]);
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(watcher.caption, "Deleting...");
    EXPECT_EQ(watcher.rangeHigh, 5);
    EXPECT_EQ(watcher.texts, (Texts{"Deleting " + paths[4], "Deleting " + paths[3]}));
    EXPECT_EQ(watcher.steps, 2) << "the file being deleted is finished and counted";
    EXPECT_EQ(Listing(source_), (Texts{"A.TXT", "B.TXT", "C.TXT", "S$$SRC$A$TXT.fy", "S$$SRC$B$TXT.fy",
                                       "S$$SRC$C$TXT.fy"}))
        << "the history goes with its file, and only then";
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Deleting...", 100), nullptr);
}

TEST_F(FileCommand, MovingOneFileThroughTheSaveDialogTakesItsHistory)
{
    std::string path = MakeFileWithHistory("REPORT.TXT", 3);
    std::string content = ReadFileText(path);
    std::string target = dest_ + "\\RENAMED.TXT";
    FileList selection;
    FillSelection(selection, {path});

    DialogDriver driver("Move " + path + " To", [&](HWND dialog) { fytest::AnswerFileDialog(dialog, target); });
    ProgressWatcher watcher;
    EXPECT_EQ(Run(selection, kFileCommandMove), S_OK);
    driver.Join();

    EXPECT_FALSE(watcher.windowSeen);
    EXPECT_EQ(ReadFileText(target), content);
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$RENAMED$TXT.fy"), (Texts{"", "REPORT.TXT 2", "REPORT.TXT 3"}));
    EXPECT_TRUE(fytest::FilesIn(source_).empty());
}

TEST_F(FileCommand, CancelInAFileDialogChangesNothing)
{
    std::string path = MakeFileWithHistory("KEEP.TXT", 1);
    std::string other = MakeFileWithHistory("ALSO.TXT", 1);
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
    EXPECT_EQ(Listing(source_), (Texts{"ALSO.TXT", "KEEP.TXT", "S$$SRC$ALSO$TXT.fy", "S$$SRC$KEEP$TXT.fy"}));
    EXPECT_TRUE(fytest::FilesIn(dest_).empty());
}

TEST_F(FileCommand, CopyingSeveralIntoAPickedFolderCopiesEachArchiveToo)
{
    std::string a = MakeFileWithHistory("A.TXT", 2);
    std::string b = MakeFileWithHistory("B.TXT", 1);
    std::string bare = source_ + "\\BARE.TXT";   // no archive: copied like any file
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
    EXPECT_EQ(watcher.texts, (Texts{"BARE.TXT" + fromTo, "B.TXT" + fromTo, "A.TXT" + fromTo}));
    for (const std::string& path : {a, b, bare}) {
        std::string copy = dest_ + "\\" + NameOf(path);
        EXPECT_EQ(ReadFileText(copy), ReadFileText(path)) << copy;
        EXPECT_TRUE(PathExists(path)) << "a copy leaves the source";
    }
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$A$TXT.fy"), (Texts{"", "A.TXT 2"}));
    EXPECT_EQ(ReadStoredVersions("S:\\DEST\\S$$DEST$B$TXT.fy").size(), 1u);
    EXPECT_EQ(fytest::FilesIn(dest_).size(), 5u) << "no archive for the bare file";
    EXPECT_EQ(ReadStoredVersions("S:\\SRC\\S$$SRC$A$TXT.fy").size(), 2u) << "the source keeps its own history";
}

TEST_F(FileCommand, ReplaceQuestionsAreAnsweredFileByFile)
{
    std::string a = MakeFileWithHistory("A.TXT", 1);
    std::string b = MakeFileWithHistory("B.TXT", 2);
    std::string c = MakeFileWithHistory("C.TXT", 1);
    std::string d = MakeFileWithHistory("D.TXT", 1);
    // The destination already holds b and d, and an archive for a c that is
    // no longer there.
    for (const char* name : {"B.TXT", "C.TXT", "D.TXT"})
        fytest::WriteFileText(dest_ + "\\" + name, std::string("old ") + name);
    ASSERT_EQ(ArchiveFile("S:\\DEST\\C.TXT").CreateWithFirstVersion(0, 10, 0, 1), 0);
    DeleteFileA("S:\\DEST\\C.TXT");

    FileList selection;
    FillSelection(selection, {a, b, c, d});   // walked d, c, b, a
    // d: No, c: No, b: Yes. The questions' buttons and icons are the archive
    // layer's, checked there.
    MessageBoxAnswerer answerer({IDNO, IDNO, IDYES});
    EXPECT_EQ(RunIntoFolder(selection, false, dest_), S_OK);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    const std::string replaceFile = "\nThis file already exists.\n\nReplace existing file and all associated versions?";
    EXPECT_EQ(boxes[0].text, "S:\\DEST\\D.TXT" + replaceFile);
    EXPECT_EQ(boxes[1].text, "S:\\DEST\\C.TXT\nAn archive for this file already exists in S:\\DEST.\n\nReplace existing archive?");
    EXPECT_EQ(boxes[2].text, "S:\\DEST\\B.TXT" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\D.TXT"), "old D.TXT");
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$C$TXT.fy"), (Texts{""}));
    EXPECT_EQ(ReadFileText(dest_ + "\\B.TXT"), ReadFileText(b));
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$B$TXT.fy"), (Texts{"", "B.TXT 2"}));
    EXPECT_EQ(ReadFileText(dest_ + "\\A.TXT"), ReadFileText(a));
    EXPECT_EQ(ReadStoredVersions("S:\\DEST\\S$$DEST$A$TXT.fy").size(), 1u);
    EXPECT_EQ(Listing(dest_), (Texts{"A.TXT", "B.TXT", "D.TXT", "S$$DEST$A$TXT.fy", "S$$DEST$B$TXT.fy",
                                     "S$$DEST$C$TXT.fy"}))
        << "no C.TXT and no archive for the D.TXT kept";

    // Cancel at a question stops the batch: a is walked first and cancelled,
    // so b's newer content never arrives.
    fytest::WriteFileText(b, "b changed since");
    FileList again;
    FillSelection(again, {b, a});
    MessageBoxAnswerer cancel({IDCANCEL});
    EXPECT_EQ(RunIntoFolder(again, false, dest_), S_OK);
    ASSERT_EQ(cancel.Boxes().size(), 1u);
    EXPECT_EQ(cancel.Boxes()[0].text, "S:\\DEST\\A.TXT" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\B.TXT"), "B.TXT content 2++");
}

TEST_F(FileCommand, NameThatWouldPassThePathLimitIsRefusedNotCut)
{
    // A folder short enough for the archives of short names to fit beside
    // their files, and a name too long to follow it.
    std::string deep = "S:\\" + std::string(117, 'L');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string longName = std::string(136, 'n') + ".txt";   // 120 + 1 + 140 > 259
    std::string tooLong = MakeFileWithHistory(longName, 1);
    std::string fits = MakeFileWithHistory("S.TXT", 1);
    FileList selection;
    FillSelection(selection, {tooLong, fits});   // walked S.TXT, then the long one

    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(RunIntoFolder(selection, false, deep), S_OK);

    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error!  The file " + longName + " could not be copied to " + deep + "!");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_TRUE(PathExists(deep + "\\S.TXT"));
    EXPECT_EQ(fytest::FilesIn(deep).size(), 2u) << "only S.TXT and its archive: nothing under a cut name";
    // The source is left as it was; the long name's archive bears its short form.
    Texts left = Listing(source_);
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(left[1], "S$$SRC$S$TXT.fy");
    EXPECT_EQ(left[2], "S.TXT");
    EXPECT_EQ(left[3], longName);
    EXPECT_EQ(ReadStoredVersions(source_ + "\\" + left[0]).size(), 1u) << left[0];
}

// Three files and a folder are saved twice and then moved elsewhere: every
// file arrives with its whole history and nothing stays behind.
TEST_F(FileCommand, SavedSelectionMovesWithItsWholeHistory)
{
    std::string folder = source_ + "\\INNER";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"ONE.TXT", "TWO.TXT", "THREE.TXT", "INNER\\X.TXT", "INNER\\Y.TXT"})
        fytest::WriteFileText(source_ + "\\" + name, std::string("first ") + name);
    FileList selection;
    FillSelection(selection, {source_ + "\\ONE.TXT", folder, source_ + "\\TWO.TXT", source_ + "\\THREE.TXT"});
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

    for (const std::string& path : all)
        EXPECT_EQ(ReadFileText(dest_ + "\\" + NameOf(path)), "second " + NameOf(path) + " and more");
    for (const char* archive : {"S$$DEST$ONE$TXT.fy", "S$$DEST$TWO$TXT.fy", "S$$DEST$THREE$TXT.fy",
                                "S$$DEST$X$TXT.fy", "S$$DEST$Y$TXT.fy"})
        EXPECT_EQ(StoredComments(dest_ + "\\" + archive), (Texts{"", "second round"})) << archive;
    EXPECT_EQ(fytest::FilesIn(dest_).size(), 10u);
    EXPECT_EQ(fytest::FilesIn(source_).size() + fytest::FilesIn(folder).size(), 0u)
        << "nothing but the emptied folder is left at the old place";
}

// A read-only file goes with its history once the user has said Yes; a file
// another program holds open cannot go, and so keeps its history.
TEST_F(FileCommand, DeletingKeepsTheHistoryOfAFileThatCannotGo)
{
    std::string readOnly = MakeFileWithHistory("LOCKED.TXT", 2);
    std::string held = MakeFileWithHistory("HELD.TXT", 2);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FileList selection;
    FillSelection(selection, {readOnly, held});
    MessageBoxAnswerer answerer({IDYES});
    EXPECT_EQ(Run(selection, kFileCommandDelete), S_OK);
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    CloseHandle(holder);
    EXPECT_EQ(Listing(source_), (Texts{"HELD.TXT", "S$$SRC$HELD$TXT.fy"}));
    EXPECT_EQ(ReadStoredVersions("S:\\SRC\\S$$SRC$HELD$TXT.fy").size(), 2u);
}

// Cancel in the progress window of a move: the file being moved arrives
// whole with its history, the rest stay where they were.
TEST_F(FileCommand, CancelDuringAMoveLeavesTheRestWhereTheyWere)
{
    std::vector<std::string> paths;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        paths.push_back(MakeFileWithHistory(name, 2));
    FileList selection;
    FillSelection(selection, paths);   // walked C, B, A
    ProgressWatcher watcher("B.TXT");
    EXPECT_EQ(RunIntoFolder(selection, true, dest_), S_OK);
    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.steps, 2);
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$B$TXT.fy").size(), 2u);
    EXPECT_EQ(StoredComments("S:\\DEST\\S$$DEST$C$TXT.fy").size(), 2u);
    EXPECT_EQ(Listing(dest_), (Texts{"B.TXT", "C.TXT", "S$$DEST$B$TXT.fy", "S$$DEST$C$TXT.fy"}));
    EXPECT_EQ(Listing(source_), (Texts{"A.TXT", "S$$SRC$A$TXT.fy"}));
    EXPECT_EQ(ReadStoredVersions("S:\\SRC\\S$$SRC$A$TXT.fy").size(), 2u);
}
