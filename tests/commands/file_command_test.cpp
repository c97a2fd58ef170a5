// Moving, copying and deleting files with their archives, end to end.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive_file.h"
#include "command_driver.h"
#include "file_command.h"
#include "resource.h"

using namespace fytest;
using Texts = std::vector<std::string>;

namespace {

class FileCommand : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        CreateDirectoryA(source_.c_str(), nullptr);
        CreateDirectoryA(dest_.c_str(), nullptr);
    }

    // Versions "", "<name> 2" .. "<name> n".
    std::string MakeFileWithHistory(const std::string& name, int versions)
    {
        std::string path = source_ + "\\" + name;
        WriteFileText(path, name + " content 1");
        ArchiveFile archive(path.c_str());
        EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
        for (int i = 2; i <= versions; ++i) {
            WriteFileText(path, name + " content " + std::to_string(i) + std::string(i, '+'));
            EXPECT_EQ(archive.AddVersion((name + " " + std::to_string(i)).c_str(), 0), 1);
        }
        return path;
    }

    HRESULT Run(const Texts& paths, UINT offset, const char* verb = nullptr)
    {
        FileList selection;
        FillSelection(selection, paths);
        return DoFileCommand(selection, nullptr, "S:\\", verb ? verb : MAKEINTRESOURCEA(offset), nullptr, SW_SHOW);
    }

    // Copies or moves several files, answering the folder dialog with folder.
    HRESULT RunIntoFolder(const Texts& paths, bool move, const std::string& folder)
    {
        DialogDriver driver(move ? "Move Files To" : "Copy Files To",
                            [folder](HWND dialog) { AnswerFileDialog(dialog, folder + "\\DUMMY.BAK"); });
        return Run(paths, move ? kFileCommandMove : kFileCommandCopy);
    }

    const std::string source_ = "S:\\SRC", dest_ = "S:\\DEST";
};

TEST_F(FileCommand, DeletingAsksFirstTakesEachHistoryOnlyWithItsFileAndStopsAtCancel)
{
    std::string one = MakeFileWithHistory("ONE.TXT", 2);
    {
        NoMessageBoxes noBox;
        for (UINT offset : {0u, 1u, 5u, 0xFFFFu})
            EXPECT_EQ(Run({one}, offset), S_OK);
        EXPECT_EQ(Run({}, kFileCommandDelete), S_OK);
        EXPECT_EQ(Run({one}, 0, "delete"), S_OK);
    }
    {
        MessageBoxAnswerer answerer({IDNO, IDYES});
        ProgressWatcher watcher;
        EXPECT_EQ(Run({one}, kFileCommandDelete), S_OK);
        EXPECT_TRUE(PathExists(one));
        EXPECT_EQ(History("S:\\SRC\\S$$SRC$ONE$TXT.fy").size(), 2u);
        EXPECT_EQ(Run({one}, kFileCommandDelete), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 2u);
        ExpectBox(answerer.Boxes()[0],
                  "Are you sure you want to delete S:\\SRC\\ONE.TXT and all its associated versions?", {IDYES, IDNO},
                  BoxIcon::Warning);
        EXPECT_TRUE(FilesIn(source_).empty()) << "no archive is left behind";
        EXPECT_FALSE(watcher.windowSeen);
    }

    Texts paths;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "D.TXT", "E.TXT"})
        paths.push_back(MakeFileWithHistory(name, 1));  // walked e, d, c, b, a
    SetFileAttributesA(paths[4].c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE holder = CreateFileA(paths[3].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    MessageBoxAnswerer answerer({IDNO, IDYES});
    EXPECT_EQ(Run(paths, kFileCommandDelete), S_OK);
    EXPECT_EQ(FilesIn(source_).size(), 10u);
    ProgressWatcher watcher("Deleting " + paths[2]);
    EXPECT_EQ(Run(paths, kFileCommandDelete), S_OK);
    CloseHandle(holder);
    ASSERT_EQ(answerer.Boxes().size(), 2u);
    ExpectBox(answerer.Boxes()[0], "Are you sure you want to delete these 5 files and all their associated versions?",
              {IDYES, IDNO}, BoxIcon::Warning);
    EXPECT_EQ(watcher.caption, "Deleting...");
    EXPECT_EQ(watcher.rangeHigh, 5);
    EXPECT_EQ(watcher.texts, (Texts{"Deleting " + paths[4], "Deleting " + paths[3], "Deleting " + paths[2]}));
    EXPECT_EQ(watcher.steps, 3) << "the file being deleted is finished and counted";
    EXPECT_EQ(Listing(source_),
              (Texts{"A.TXT", "B.TXT", "D.TXT", "S$$SRC$A$TXT.fy", "S$$SRC$B$TXT.fy", "S$$SRC$D$TXT.fy"}));
    EXPECT_EQ(WaitForWindow("#32770", "Deleting...", 100), nullptr);
}

TEST_F(FileCommand, CopyingSeveralAndMovingOneCarryTheHistories)
{
    std::string a = MakeFileWithHistory("A.TXT", 2);
    std::string b = MakeFileWithHistory("B.TXT", 1);
    std::string bare = source_ + "\\BARE.TXT";  // no archive: copied like any file
    WriteFileText(bare, "no history");
    {
        DialogDriver driver("Copy " + a + " To", IDCANCEL);
        EXPECT_EQ(Run({a}, kFileCommandCopy), S_OK);
    }
    {
        DialogDriver driver("Move Files To", IDCANCEL);
        EXPECT_EQ(Run({a, b}, kFileCommandMove), S_OK);
    }
    EXPECT_TRUE(FilesIn(dest_).empty());
    EXPECT_EQ(FilesIn(source_).size(), 5u);

    {
        bool folderList = false;
        DialogDriver driver("Copy Files To", [&](HWND dialog) {
            HWND folders = GetDlgItem(dialog, IDC_PICK_FOLDER_LIST);
            folderList = folders && IsWindowVisible(folders) && GetDlgItem(dialog, IDC_PICK_DRIVES_COMBO);
            AnswerFileDialog(dialog, dest_ + "\\DUMMY.BAK");
        });
        ProgressWatcher watcher;
        EXPECT_EQ(Run({a, b, bare}, kFileCommandCopy), S_OK);  // walked bare, b, a
        driver.Join();
        EXPECT_TRUE(folderList) << "the folder-picking template is used";
        EXPECT_EQ(watcher.caption, "Copying...");
        EXPECT_EQ(watcher.rangeHigh, 3);
        EXPECT_EQ(watcher.steps, 3);
        std::string fromTo = "\nFrom '" + source_ + "' to '" + dest_ + "'";
        EXPECT_EQ(watcher.texts, (Texts{"BARE.TXT" + fromTo, "B.TXT" + fromTo, "A.TXT" + fromTo}));
        EXPECT_EQ(Listing(dest_), (Texts{"A.TXT", "B.TXT", "BARE.TXT", "S$$DEST$A$TXT.fy", "S$$DEST$B$TXT.fy"}));
        EXPECT_EQ(ReadFileText(dest_ + "\\A.TXT"), "A.TXT content 2++");
        EXPECT_EQ(History("S:\\DEST\\S$$DEST$A$TXT.fy"), (Texts{"", "A.TXT 2"}));
        EXPECT_EQ(FilesIn(source_).size(), 5u) << "a copy leaves the sources";
    }
    std::string target = dest_ + "\\RENAMED.TXT";
    DialogDriver driver("Move " + a + " To", [&](HWND dialog) { AnswerFileDialog(dialog, target); });
    ProgressWatcher watcher;
    EXPECT_EQ(Run({a}, kFileCommandMove), S_OK);
    driver.Join();
    EXPECT_FALSE(watcher.windowSeen);
    EXPECT_EQ(ReadFileText(target), "A.TXT content 2++");
    EXPECT_EQ(History("S:\\DEST\\S$$DEST$RENAMED$TXT.fy"), (Texts{"", "A.TXT 2"}));
    EXPECT_EQ(Listing(source_), (Texts{"B.TXT", "BARE.TXT", "S$$SRC$B$TXT.fy"}));
}

TEST_F(FileCommand, ReplaceQuestionsAreAnsweredFileByFileCancelStopsTheBatchAndNoNameIsCut)
{
    std::string a = MakeFileWithHistory("A.TXT", 1);
    std::string b = MakeFileWithHistory("B.TXT", 2);
    std::string c = MakeFileWithHistory("C.TXT", 1);
    std::string d = MakeFileWithHistory("D.TXT", 1);
    // The destination holds b, d and an archive for a c no longer there.
    for (const char* name : {"B.TXT", "C.TXT", "D.TXT"})
        WriteFileText(dest_ + "\\" + name, std::string("old ") + name);
    ASSERT_EQ(ArchiveFile("S:\\DEST\\C.TXT").CreateWithFirstVersion(0, 10, 0, 1), 0);
    DeleteFileA("S:\\DEST\\C.TXT");

    // d: No, c: No, b: Yes (the boxes are the archive layer's).
    MessageBoxAnswerer answerer({IDNO, IDNO, IDYES});
    EXPECT_EQ(RunIntoFolder({a, b, c, d}, false, dest_), S_OK);  // walked d, c, b, a
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    const std::string replaceFile = "\nThis file already exists.\n\nReplace existing file and all associated versions?";
    ExpectBox(boxes[0], "S:\\DEST\\D.TXT" + replaceFile, {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    ExpectBox(boxes[1], "S:\\DEST\\C.TXT\nAn archive for this file already exists in S:\\DEST.\n\nReplace existing archive?",
              {IDYES, IDNO, IDCANCEL}, BoxIcon::Warning);
    EXPECT_EQ(boxes[2].text, "S:\\DEST\\B.TXT" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\D.TXT"), "old D.TXT");
    EXPECT_EQ(ReadFileText(dest_ + "\\B.TXT"), "B.TXT content 2++");
    EXPECT_EQ(ReadFileText(dest_ + "\\A.TXT"), "A.TXT content 1");
    EXPECT_EQ(History("S:\\DEST\\S$$DEST$B$TXT.fy"), (Texts{"", "B.TXT 2"}));
    EXPECT_EQ(History("S:\\DEST\\S$$DEST$A$TXT.fy"), (Texts{""}));
    EXPECT_EQ(Listing(dest_),
              (Texts{"A.TXT", "B.TXT", "D.TXT", "S$$DEST$A$TXT.fy", "S$$DEST$B$TXT.fy", "S$$DEST$C$TXT.fy"}))
        << "no C.TXT and no archive for the D.TXT kept";

    // a is walked first and cancelled, so b's newer content never arrives.
    WriteFileText(b, "b changed since");
    MessageBoxAnswerer cancel({IDCANCEL});
    EXPECT_EQ(RunIntoFolder({b, a}, true, dest_), S_OK);
    ASSERT_EQ(cancel.Boxes().size(), 1u);
    EXPECT_EQ(cancel.Boxes()[0].text, "S:\\DEST\\A.TXT" + replaceFile);
    EXPECT_EQ(ReadFileText(dest_ + "\\B.TXT"), "B.TXT content 2++");
    EXPECT_EQ(Listing(source_).size(), 8u) << "nothing was moved";

    // Short names' archives fit beside them in deep, a long name does not.
    std::string deep = "S:\\" + std::string(117, 'L');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string longName = std::string(136, 'n') + ".txt";  // 120 + 1 + 140 > 259
    std::string tooLong = MakeFileWithHistory(longName, 1);
    std::string fits = MakeFileWithHistory("S.TXT", 1);

    MessageBoxAnswerer refused({IDOK});
    EXPECT_EQ(RunIntoFolder({tooLong, fits}, false, deep), S_OK);  // walked S.TXT, then the long one
    ASSERT_EQ(refused.Boxes().size(), 1u);
    ExpectBox(refused.Boxes()[0], "Error!  The file " + longName + " could not be copied to " + deep + "!", {IDOK},
              BoxIcon::Stop);
    EXPECT_TRUE(PathExists(deep + "\\S.TXT"));
    EXPECT_EQ(FilesIn(deep).size(), 2u) << "only S.TXT and its archive: nothing under a cut name";
    EXPECT_EQ(FilesIn(source_).size(), 12u) << "the sources stay";
}

TEST_F(FileCommand, CancelDuringAMoveLeavesTheRestWhereTheyWere)
{
    Texts paths;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        paths.push_back(MakeFileWithHistory(name, 2));  // walked C, B, A
    ProgressWatcher watcher("B.TXT");
    EXPECT_EQ(RunIntoFolder(paths, true, dest_), S_OK);
    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.caption, "Moving...");
    EXPECT_EQ(watcher.steps, 2);
    EXPECT_EQ(History("S:\\DEST\\S$$DEST$B$TXT.fy"), (Texts{"", "B.TXT 2"}));
    EXPECT_EQ(History("S:\\DEST\\S$$DEST$C$TXT.fy"), (Texts{"", "C.TXT 2"}));
    EXPECT_EQ(Listing(dest_), (Texts{"B.TXT", "C.TXT", "S$$DEST$B$TXT.fy", "S$$DEST$C$TXT.fy"}));
    EXPECT_EQ(Listing(source_), (Texts{"A.TXT", "S$$SRC$A$TXT.fy"}));
    EXPECT_EQ(History("S:\\SRC\\S$$SRC$A$TXT.fy"), (Texts{"", "A.TXT 2"}));
}

}  // namespace
