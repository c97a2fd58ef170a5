// The save-version command end to end: its messages, dialogs and progress
// window, and the archives as the store sees them afterwards.
#include <windows.h>
#include <commctrl.h>

#include "archive_file.h"
#include "command_driver.h"
#include "help.h"
#include "resource.h"
#include "save_version_command.h"

using namespace fytest;
using Texts = std::vector<std::string>;

namespace {

Texts g_helpCalls;

// A help engine without pop-up help, as Wine's: HELP_WM_HELP is refused. It
// records "context TOPIC", or "popup CONTROL:TOPIC" with the topic the handed
// table gives the asking control.
BOOL WINAPI RecordHelp(HWND window, LPCSTR, UINT command, ULONG_PTR data)
{
    std::string call =
        (command == HELP_CONTEXT ? "context " : "command " + std::to_string(command) + " ") + std::to_string(data);
    if (command == HELP_WM_HELP) {
        call = "popup " + std::to_string(GetDlgCtrlID(window)) + ":none";
        for (auto* pair = reinterpret_cast<const DWORD*>(data); pair[0] != 0; pair += 2)
            if (static_cast<int>(pair[0]) == GetDlgCtrlID(window))
                call = "popup " + std::to_string(pair[0]) + ":" + std::to_string(pair[1]);
    }
    g_helpCalls.push_back(call);
    return command != HELP_WM_HELP;
}

// Asks what-is-this help for a control, then presses the Help button.
void AskForHelp(HWND dialog, int control)
{
    HELPINFO info = {sizeof(info)};
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = control;
    info.hItemHandle = GetDlgItem(dialog, control);
    SendWithin(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    PressButton(dialog, IDC_HELP_BUTTON);
}

class SaveCommand : public CommandTest {
protected:
    void GiveArchive(const std::string& path)
    {
        ASSERT_EQ(ArchiveFile(path.c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    }

    HRESULT Save(const Texts& paths)
    {
        FileList selection;
        FillSelection(selection, paths);
        return DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW);
    }
};

// A folder holding only a subfolder: nothing to save.
TEST_F(SaveCommand, FolderWithNothingToSaveIsReported)
{
    std::string folder = scratch_ / "empty";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    WriteFileText(folder + "\\sub\\inner.txt", "inner");

    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save({folder}), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0], "Error!  There are no files to Save!", {IDOK}, BoxIcon::Stop);
}

TEST_F(SaveCommand, UnchangedFileIsReportedWithOkOnlyAndNothingFollows)
{
    std::string path = MakeFile("SAME.TXT", "unchanged");
    GiveArchive(path);
    MessageBoxAnswerer answerer({IDOK});
    {
        NoMessageBoxes noDialog("Version Properties - SAME.TXT");
        EXPECT_EQ(Save({path}), S_OK);
    }
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0], "S:\\SAME.TXT\nWorking file is not newer than latest version.", {IDOK},
              BoxIcon::Stop);
    EXPECT_EQ(History("S:\\S$$SAME$TXT.fy"), (Texts{""}));
}

// The default comment names the number the archive gave last, not the count
// of versions (a middle version is deleted first).
TEST_F(SaveCommand, OneChangedFileGetsTheCommentAndFlagTypedWithoutAProgressWindow)
{
    std::string path = MakeFile("REPORT.TXT", "first draft");
    GiveArchive(path);
    WriteFileText(path, "second draft, longer");
    ASSERT_EQ(ArchiveFile(path.c_str()).AddVersion("second", 0), 1);
    WriteFileText(path, "third draft, longer again");
    ASSERT_EQ(ArchiveFile(path.c_str()).AddVersion("third", 0), 1);
    ASSERT_EQ(ArchiveFile(path.c_str()).DeleteVersion(2), 1);
    WriteFileText(path, "fourth draft, longer still");

    std::string commentShown;
    bool permanentShown = true;
    DialogDriver driver("Version Properties - REPORT.TXT", [&](HWND dialog) {
        commentShown = GetControlText(dialog, IDC_COMMENT_EDIT);
        permanentShown = IsDlgButtonChecked(dialog, IDC_PERMANENT_CHECK) == BST_CHECKED;
        SetControlText(dialog, IDC_COMMENT_EDIT, "");
        TypeText(dialog, IDC_COMMENT_EDIT, std::string(120, 'c') + "Fixed the totals");
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        AskForHelp(dialog, IDC_COMMENT_EDIT);
        PressButton(dialog, IDOK);
    });
    ProgressWatcher watcher;
    g_helpCalls.clear();
    WinHelpEntry previous = SetWinHelpEntry(RecordHelp);
    EXPECT_EQ(Save({path}), S_OK);
    driver.Join();
    SetWinHelpEntry(previous);

    EXPECT_EQ(commentShown, "Version 3");
    EXPECT_FALSE(permanentShown);
    EXPECT_FALSE(watcher.windowSeen) << "one file: no progress window";
    // The dialog's own table goes to the help engine; refused, the control's
    // topic opens. The Help button opens the dialog's topic.
    EXPECT_EQ(g_helpCalls, (Texts{"popup 1004:10", "context 10", "context 131177"}));
    // Typing stops at 128 characters.
    EXPECT_EQ(History("S:\\S$$REPORT$TXT.fy"), (Texts{"", "third", std::string(120, 'c') + "Fixed th (permanent)"}));
}

// The New Version dialog shows the settings and stays open for a maximum out
// of range; what the user picks there goes into each new archive.
TEST_F(SaveCommand, FilesWithoutArchivesGetTheNewVersionOptions)
{
    settings_.SetString("VersionsPath", "S:\\CENTRAL");
    settings_.SetDword("UseCompression", 1);
    settings_.SetDword("MaxTempVersions", 25);
    std::string a = MakeFile("A.TXT", "alpha");
    std::string b = MakeFile("B.TXT", "beta");
    {
        DialogDriver driver("New Version - Multiple Files", IDCANCEL);
        EXPECT_EQ(Save({a, b}), S_OK);
    }
    EXPECT_EQ(FilesIn("S:\\").size(), 2u) << "a cancelled dialog saves nothing";

    std::vector<BoxRecord> boxes;
    std::string shown;
    int low = 0, high = 0;
    std::vector<bool> openAfter;
    DialogDriver driver("New Version - Multiple Files", [&](HWND dialog) {
        for (int id : {IDC_FIRST_PERMANENT_CHECK, IDC_COMPRESSION_CHECK, IDC_SINGLE_LOCATION_CHECK})
            shown += IsDlgButtonChecked(dialog, id) == BST_CHECKED ? "1" : "0";
        shown += " " + GetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT);
        SendWithin(GetDlgItem(dialog, IDC_NEW_MAX_TEMP_SPIN), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                   reinterpret_cast<LPARAM>(&high));
        CheckDlgButton(dialog, IDC_FIRST_PERMANENT_CHECK, BST_CHECKED);
        CheckDlgButton(dialog, IDC_COMPRESSION_CHECK, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_SINGLE_LOCATION_CHECK, BST_UNCHECKED);
        for (const char* typed : {"0", "40000", ""}) {
            SetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT, typed);
            PressButton(dialog, IDOK);
            HWND box = nullptr;
            if (WaitUntil([&] { return (box = FindMessageBox("Fennory (TM)")) != nullptr; }) && WaitUntilServed(box)) {
                boxes.push_back(ReadMessageBox(box));
                PressButton(box, IDOK);
                WaitUntil([&] { return !IsWindow(box); });
            }
            WaitUntilServed(dialog);
            openAfter.push_back(IsWindowVisible(dialog) != FALSE);
        }
        TypeText(dialog, IDC_NEW_MAX_TEMP_EDIT, "4x2");  // the field takes digits only
        AskForHelp(dialog, IDC_SINGLE_LOCATION_CHECK);
        PressButton(dialog, IDOK);
    });
    ProgressWatcher watcher;
    g_helpCalls.clear();
    WinHelpEntry previous = SetWinHelpEntry(RecordHelp);
    EXPECT_EQ(Save({a, b}), S_OK);
    driver.Join();
    SetWinHelpEntry(previous);

    EXPECT_EQ(shown, "011 25");
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 32767);
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes)
        ExpectBox(box, "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(openAfter, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(g_helpCalls, (Texts{"popup 1032:40", "context 40", "context 131185"}));
    EXPECT_EQ(watcher.caption, "Versioning...");
    EXPECT_EQ(watcher.rangeHigh, 2);
    EXPECT_EQ(watcher.texts, (Texts{"Versioning " + b, "Versioning " + a}));
    EXPECT_EQ(watcher.steps, 2);
    EXPECT_EQ(WaitForWindow("#32770", "Versioning...", 100), nullptr) << "the window is gone";
    // Not the single location: beside the files although a central folder is set.
    EXPECT_TRUE(FilesIn("S:\\CENTRAL").empty());
    for (const std::string& path : {a, b}) {
        ArchiveFile archive(path.c_str());
        EXPECT_EQ(History(archive.archivePath), (Texts{" (permanent)"}));
        EXPECT_EQ(archive.GetMaxTempVersions(), 42);
        EXPECT_EQ(archive.IsCompressed(), 0);
    }
}

TEST_F(SaveCommand, MixedSelectionUsesVersionPropertiesAndSettingsForNewArchives)
{
    settings_.SetDword("MaxTempVersions", 5);
    std::string old = MakeFile("OLD.TXT", "old one");
    GiveArchive(old);
    WriteFileText(old, "old one, changed");
    std::string fresh = MakeFile("FRESH.TXT", "fresh one");

    std::string commentShown;
    DialogDriver driver("Version Properties - Multiple Files", [&](HWND dialog) {
        commentShown = GetControlText(dialog, IDC_COMMENT_EDIT);
        SetControlText(dialog, IDC_COMMENT_EDIT, "Both checked");
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Save({old, fresh}), S_OK);
    driver.Join();

    EXPECT_EQ(commentShown, "Add Your Comment.");
    EXPECT_EQ(History("S:\\S$$OLD$TXT.fy"), (Texts{"", "Both checked (permanent)"}));
    // The first version takes the dialog's flag but not its comment; the cap
    // comes from the settings.
    EXPECT_EQ(History("S:\\S$$FRESH$TXT.fy"), (Texts{" (permanent)"}));
    EXPECT_EQ(ArchiveFile(fresh.c_str()).GetMaxTempVersions(), 5);
}

// An empty file asks OK or Cancel in the first pass; an excluded type is
// neither tested nor saved, but its step is counted.
TEST_F(SaveCommand, EmptyFileAsksOkOrCancelAndAnExcludedTypeIsPassedOver)
{
    settings_.SetString("VersionExclude", "tmp,bak");
    std::string excluded = MakeFile("SCRATCH.TMP", "");  // empty: a test would complain
    std::string a = MakeFile("A.TXT", "alpha");
    std::string empty = MakeFile("EMPTY.TXT", "");
    std::string c = MakeFile("C.TXT", "gamma");
    const Texts paths = {excluded, a, empty, c};  // walked c, empty, a, excluded
    {
        MessageBoxAnswerer answerer({IDCANCEL});
        EXPECT_EQ(Save(paths), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        ExpectBox(answerer.Boxes()[0], "EMPTY.TXT is a zero length file.", {IDOK, IDCANCEL}, BoxIcon::Stop);
        EXPECT_EQ(FilesIn("S:\\").size(), 4u) << "Cancel ends the command before anything is saved";
    }

    MessageBoxAnswerer answerer({IDOK});
    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher;
    EXPECT_EQ(Save(paths), S_OK);
    driver.Join();
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(watcher.texts, (Texts{"Versioning " + c, "Versioning " + empty, "Versioning " + a}));
    EXPECT_EQ(watcher.rangeHigh, 4);
    EXPECT_EQ(watcher.steps, 4);
    EXPECT_EQ(Listing("S:\\"), (Texts{"A.TXT", "C.TXT", "EMPTY.TXT", "S$$A$TXT.fy", "S$$C$TXT.fy", "SCRATCH.TMP"}))
        << "none for the empty and the excluded file";
}

TEST_F(SaveCommand, CancelInTheProgressWindowKeepsWhatIsSavedAndLeavesTheRest)
{
    Texts paths;
    for (const char* name : {"ONE.TXT", "TWO.TXT", "THREE.TXT", "FOUR.TXT"})
        paths.push_back(MakeFile(name, std::string("content of ") + name));

    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher("Versioning " + paths[2]);  // walked four, three, two, one
    EXPECT_EQ(Save(paths), S_OK);
    driver.Join();

    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.texts.size(), 2u) << "no third file was started";
    EXPECT_EQ(watcher.steps, 1) << "the cancelled file's step is not taken";
    EXPECT_EQ(Listing("S:\\"),
              (Texts{"FOUR.TXT", "ONE.TXT", "S$$FOUR$TXT.fy", "S$$THREE$TXT.fy", "THREE.TXT", "TWO.TXT"}))
        << "the file being saved is finished, the others have no archive";
    EXPECT_EQ(WaitForWindow("#32770", "Versioning...", 100), nullptr);
}

// A central folder that cannot be used is told once for the whole command,
// however many files the selection holds, and nothing is saved.
TEST_F(SaveCommand, UnusableCentralFolderIsToldOnceAndNothingIsSaved)
{
    std::string a = MakeFile("A.TXT", "alpha");
    std::string b = MakeFile("B.TXT", "beta");
    settings_.SetString("VersionsPath", "relative\\versions");
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(Save({a, b}), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Can't create Fennory directory!");
    EXPECT_EQ(FilesIn("S:\\").size(), 2u) << "no archive anywhere";
}

// A damaged archive is reported as damaged, not as an unchanged file, and the
// file and the archive are left as they were.
TEST_F(SaveCommand, DamagedArchiveIsSaidToBeDamaged)
{
    std::string path = MakeFile("REPORT.TXT", "first draft");
    GiveArchive(path);
    const std::string archive = "S:\\S$$REPORT$TXT.fy";
    std::string bytes = ReadFileText(archive);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(archive, bytes);
    WriteFileText(path, "second draft");

    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save({path}), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0],
              "S:\\REPORT.TXT\nThe archive of this file is damaged:\nS:\\S$$REPORT$TXT.fy\n\nNothing was changed.",
              {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(ReadFileText(archive), bytes);
    EXPECT_EQ(ReadFileText(path), "second draft");
}

}  // namespace
