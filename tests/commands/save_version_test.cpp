// The save-version command end to end.
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

// A help engine without pop-up help, as Wine's: HELP_WM_HELP is refused.
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

void AskForHelp(HWND dialog, int control)
{
    HELPINFO info = {sizeof(info)};
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = control;
    info.hItemHandle = GetDlgItem(dialog, control);
    SendWithin(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    PressButton(dialog, IDC_HELP_BUTTON);
}

// Types text key by key, as the keyboard does, so the control's limits apply.
void TypeText(HWND dialog, int controlId, const std::string& text)
{
    for (char c : text)
        SendWithin(GetDlgItem(dialog, controlId), WM_CHAR, static_cast<unsigned char>(c), 1);
}

class SaveCommand : public CommandTest {
protected:
    HRESULT Save(const Texts& paths)
    {
        FileList selection;
        FillSelection(selection, paths);
        return DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW);
    }

    Texts SaveRecordingHelp(const Texts& paths)
    {
        g_helpCalls.clear();
        WinHelpEntry previous = SetWinHelpEntry(RecordHelp);
        EXPECT_EQ(Save(paths), S_OK);
        SetWinHelpEntry(previous);
        return g_helpCalls;
    }
};

// The default comment takes the archive's counter, not the count (version 2 is deleted).
TEST_F(SaveCommand, OneFileIsToldWhenUnchangedOrDamagedAndOtherwiseTakesTheCommentAndFlagTyped)
{
    std::string path = MakeFile("REPORT.TXT", "first draft");
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    WriteFileText(path, "second draft, longer");
    ASSERT_EQ(archive.AddVersion("second", 0), 1);
    WriteFileText(path, "third draft, longer again");
    ASSERT_EQ(archive.AddVersion("third", 0), 1);
    ASSERT_EQ(archive.DeleteVersion(2), 1);
    {
        MessageBoxAnswerer answerer({IDOK});
        NoMessageBoxes noDialog("Version Properties - REPORT.TXT");
        EXPECT_EQ(Save({path}), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        ExpectBox(answerer.Boxes()[0], "S:\\REPORT.TXT\nWorking file is not newer than latest version.", {IDOK},
                  BoxIcon::Stop);
    }

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
    EXPECT_EQ(SaveRecordingHelp({path}), (Texts{"popup 1004:10", "context 10", "context 131177"}));
    driver.Join();
    EXPECT_EQ(commentShown, "Version 3");
    EXPECT_FALSE(permanentShown);
    EXPECT_FALSE(watcher.windowSeen) << "one file: no progress window";
    // Typing stops at 128 characters.
    EXPECT_EQ(History("S:\\S$$REPORT$TXT.fy"), (Texts{"", "third", std::string(120, 'c') + "Fixed th (permanent)"}));

    std::string bytes = ReadFileText(archive.archivePath);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(archive.archivePath, bytes);
    WriteFileText(path, "fifth draft");
    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save({path}), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0],
              "S:\\REPORT.TXT\nThe archive of this file is damaged:\nS:\\S$$REPORT$TXT.fy\n\nNothing was changed.",
              {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(ReadFileText(archive.archivePath), bytes);
    EXPECT_EQ(ReadFileText(path), "fifth draft");
}

TEST_F(SaveCommand, FilesWithoutArchivesGetTheNewVersionOptionsAndAMixedSelectionTheSettings)
{
    std::string a = MakeFile("A.TXT", "alpha");
    std::string b = MakeFile("B.TXT", "beta");
    settings_.SetString("VersionsPath", "relative\\versions");
    {
        MessageBoxAnswerer answerer({IDOK, IDOK});
        EXPECT_EQ(Save({a, b}), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "Can't create Fennory directory!");
    }
    settings_.SetString("VersionsPath", "S:\\CENTRAL");
    settings_.SetDword("UseCompression", 1);
    settings_.SetDword("MaxTempVersions", 25);
    {
        DialogDriver driver("New Version - Multiple Files", IDCANCEL);
        EXPECT_EQ(Save({a, b}), S_OK);
    }
    EXPECT_EQ(FilesIn("S:\\").size(), 2u) << "neither the unusable folder nor a cancelled dialog saves anything";

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
    EXPECT_EQ(SaveRecordingHelp({a, b}), (Texts{"popup 1032:40", "context 40", "context 131185"}));
    driver.Join();
    EXPECT_EQ(shown, "011 25");
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 32767);
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes)
        ExpectBox(box, "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(openAfter, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(watcher.caption, "Versioning...");
    EXPECT_EQ(watcher.rangeHigh, 2);
    EXPECT_EQ(watcher.texts, (Texts{"Versioning " + b, "Versioning " + a}));
    EXPECT_EQ(watcher.steps, 2);
    EXPECT_EQ(WaitForWindow("#32770", "Versioning...", 100), nullptr) << "the window is gone";
    EXPECT_TRUE(FilesIn("S:\\CENTRAL").empty());
    for (const std::string& path : {a, b}) {
        ArchiveFile archive(path.c_str());
        EXPECT_EQ(History(archive.archivePath), (Texts{" (permanent)"}));
        EXPECT_EQ(archive.GetMaxTempVersions(), 42);
        EXPECT_EQ(archive.IsCompressed(), 0);
    }

    WriteFileText(a, "alpha, changed");
    std::string fresh = MakeFile("FRESH.TXT", "fresh one");
    std::string commentShown;
    DialogDriver properties("Version Properties - Multiple Files", [&](HWND dialog) {
        commentShown = GetControlText(dialog, IDC_COMMENT_EDIT);
        SetControlText(dialog, IDC_COMMENT_EDIT, "Both checked");
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Save({a, fresh}), S_OK);
    properties.Join();
    EXPECT_EQ(commentShown, "Add Your Comment.");
    EXPECT_EQ(History("S:\\S$$A$TXT.fy"), (Texts{" (permanent)", "Both checked (permanent)"}));
    EXPECT_EQ(History("S:\\CENTRAL\\S$$FRESH$TXT.fy"), (Texts{" (permanent)"}));
    EXPECT_EQ(ArchiveFile(fresh.c_str()).GetMaxTempVersions(), 25);
    EXPECT_EQ(ArchiveFile(fresh.c_str()).IsCompressed(), 1);
}

TEST_F(SaveCommand, EmptyFileAsksAnExcludedTypeIsPassedOverAndCancelStopsAfterTheCurrentFile)
{
    CreateDirectoryA("S:\\EMPTY", nullptr);
    CreateDirectoryA("S:\\EMPTY\\SUB", nullptr);
    WriteFileText("S:\\EMPTY\\SUB\\INNER.TXT", "inner");
    settings_.SetString("VersionExclude", "tmp,bak");
    std::string excluded = MakeFile("SCRATCH.TMP", "");  // empty: a test would complain
    std::string a = MakeFile("A.TXT", "alpha");
    std::string empty = MakeFile("EMPTY.TXT", "");
    std::string c = MakeFile("C.TXT", "gamma");
    const Texts paths = {excluded, a, empty, c};  // walked c, empty, a, excluded
    {
        MessageBoxAnswerer answerer({IDOK, IDCANCEL});
        EXPECT_EQ(Save({"S:\\EMPTY"}), S_OK);
        EXPECT_EQ(Save(paths), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 2u);
        ExpectBox(answerer.Boxes()[0], "Error!  There are no files to Save!", {IDOK}, BoxIcon::Stop);
        ExpectBox(answerer.Boxes()[1], "EMPTY.TXT is a zero length file.", {IDOK, IDCANCEL}, BoxIcon::Stop);
        EXPECT_EQ(FilesIn("S:\\").size(), 4u) << "Cancel ends the command before anything is saved";
    }

    {
        MessageBoxAnswerer answerer({IDOK});
        DialogDriver driver("New Version - Multiple Files", IDOK);
        ProgressWatcher watcher;
        EXPECT_EQ(Save(paths), S_OK);
        driver.Join();
        EXPECT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(watcher.texts, (Texts{"Versioning " + c, "Versioning " + empty, "Versioning " + a}));
        EXPECT_EQ(watcher.rangeHigh, 4);
        EXPECT_EQ(watcher.steps, 4);
    }
    EXPECT_EQ(Listing("S:\\"), (Texts{"A.TXT", "C.TXT", "EMPTY.TXT", "S$$A$TXT.fy", "S$$C$TXT.fy", "SCRATCH.TMP"}))
        << "none for the empty and the excluded file";

    Texts more;
    for (const char* name : {"ONE.TXT", "TWO.TXT", "THREE.TXT", "FOUR.TXT"})
        more.push_back(MakeFile(name, std::string("content of ") + name));
    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher("Versioning " + more[2]);  // walked four, three, two, one
    EXPECT_EQ(Save(more), S_OK);
    driver.Join();
    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.texts.size(), 2u) << "no third file was started";
    EXPECT_EQ(watcher.steps, 1) << "the cancelled file's step is not taken";
    EXPECT_EQ(FilesIn("S:\\").size(), 12u);
    EXPECT_TRUE(PathExists("S:\\S$$FOUR$TXT.fy"));
    EXPECT_TRUE(PathExists("S:\\S$$THREE$TXT.fy"));
    EXPECT_EQ(WaitForWindow("#32770", "Versioning...", 100), nullptr);
}

}  // namespace
