// The save-version command end to end: the first pass and its messages, the
// choice of dialog, the progress window with Cancel, and the archives as the
// store sees them afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive_file.h"
#include "command_driver.h"
#include "file_list.h"
#include "resource.h"
#include "save_version_command.h"
#include "ui_driver.h"

using fytest::BoxIcon;
using fytest::DialogDriver;
using fytest::ExpectBox;
using fytest::FillSelection;
using fytest::MessageBoxAnswerer;
using fytest::ProgressWatcher;
using fytest::ReadStoredVersions;
using fytest::StoredVersion;

namespace {

class SaveCommand : public fytest::CommandTest {
protected:
    // An archive with one version, made through the archive layer.
    void GiveArchive(const std::string& path)
    {
        ASSERT_EQ(ArchiveFile(path.c_str()).CreateWithFirstVersion(0, 10, 0, 1), 0);
    }

    HRESULT Save(FileList& selection) { return DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW); }

    static const StoredVersion& Newest(const std::vector<StoredVersion>& versions)
    {
        const StoredVersion* newest = &versions.at(0);
        for (const auto& version : versions)
            if (version.number > newest->number)
                newest = &version;
        return *newest;
    }

    static int MaxTempOf(const std::string& workingPath) { return ArchiveFile(workingPath.c_str()).GetMaxTempVersions(); }
};

}  // namespace

TEST_F(SaveCommand, FolderWithNothingToSaveIsReported)
{
    std::string folder = scratch_ / "empty";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    fytest::WriteFileText(folder + "\\sub\\inner.txt", "inner");
    fytest::WriteFileText(folder + "\\hidden.txt", "hidden");
    SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);

    FileList selection;
    FillSelection(selection, {folder});
    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save(selection), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0], "Error!  There are no files to Save!", {IDOK}, BoxIcon::Stop);
    EXPECT_EQ(selection.Count(), 0);
}

TEST_F(SaveCommand, UnchangedFileIsReportedWithOkOnlyAndNothingFollows)
{
    std::string path = MakeFile("SAME.TXT", "unchanged");
    GiveArchive(path);
    FileList selection;
    FillSelection(selection, {path});
    MessageBoxAnswerer answerer({IDOK});
    {
        fytest::NoMessageBoxes noDialog("Version Properties - SAME.TXT");
        EXPECT_EQ(Save(selection), S_OK);
    }
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0], "S:\\SAME.TXT\nWorking file is not newer than latest version.", {IDOK},
              BoxIcon::Stop);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$SAME$TXT.fy").size(), 1u);
}

TEST_F(SaveCommand, OneChangedFileGetsTheCommentAndFlagTypedWithoutAProgressWindow)
{
    std::string path = MakeFile("REPORT.TXT", "first draft");
    GiveArchive(path);
    fytest::WriteFileText(path, "second draft, longer");
    ASSERT_EQ(ArchiveFile(path.c_str()).AddVersion("second", 0), 1);
    fytest::WriteFileText(path, "third draft, longer again");
    ASSERT_EQ(ArchiveFile(path.c_str()).AddVersion("third", 0), 1);
    ASSERT_EQ(ArchiveFile(path.c_str()).DeleteVersion(2), 1);   // two versions left, numbers given: three
    fytest::WriteFileText(path, "fourth draft, longer still");

    FileList selection;
    FillSelection(selection, {path});
    std::string commentShown;
    DialogDriver driver("Version Properties - REPORT.TXT", [&](HWND dialog) {
        commentShown = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "Fixed the totals");
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        fytest::PressButton(dialog, IDOK);
    });
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_EQ(commentShown, "Version 3") << "the latest number the archive gave, not the count";
    EXPECT_FALSE(watcher.windowSeen) << "one file: no progress window";
    auto versions = ReadStoredVersions("S:\\S$$REPORT$TXT.fy");
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(Newest(versions).comment, "Fixed the totals");
    EXPECT_EQ(Newest(versions).permanent, 1);
}

TEST_F(SaveCommand, FilesWithoutArchivesGetTheNewVersionOptions)
{
    settings_.SetString("VersionsPath", "S:\\CENTRAL");
    std::string a = MakeFile("A.TXT", "alpha");
    std::string b = MakeFile("B.TXT", "beta");
    FileList selection;
    FillSelection(selection, {a, b});
    {
        DialogDriver driver("New Version - Multiple Files", IDCANCEL);
        EXPECT_EQ(Save(selection), S_OK);
    }
    EXPECT_EQ(fytest::FilesIn("S:\\").size(), 2u) << "a cancelled dialog saves nothing";

    bool commentless = false;
    DialogDriver driver("New Version - Multiple Files", [&](HWND dialog) {
        commentless = GetDlgItem(dialog, IDC_COMMENT_EDIT) == nullptr;
        CheckDlgButton(dialog, IDC_FIRST_PERMANENT_CHECK, BST_CHECKED);
        CheckDlgButton(dialog, IDC_SINGLE_LOCATION_CHECK, BST_UNCHECKED);
        fytest::SetControlText(dialog, IDC_NEW_MAX_TEMP_EDIT, "3");
        fytest::PressButton(dialog, IDOK);
    });
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_TRUE(commentless);
    EXPECT_EQ(watcher.caption, "Versioning...");
    EXPECT_EQ(watcher.rangeHigh, 2);
    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning " + b, "Versioning " + a}));
    EXPECT_EQ(watcher.steps, 2);
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Versioning...", 100), nullptr) << "the window is gone";
    for (const char* archive : {"S:\\S$$A$TXT.fy", "S:\\S$$B$TXT.fy"}) {
        // Not the single location: beside the file although a central folder is set.
        auto versions = ReadStoredVersions(archive);
        ASSERT_EQ(versions.size(), 1u) << archive;
        EXPECT_EQ(versions[0].permanent, 1);
    }
    EXPECT_EQ(MaxTempOf(a), 3);
    EXPECT_EQ(MaxTempOf(b), 3);
    EXPECT_TRUE(fytest::FilesIn("S:\\CENTRAL").empty());
}

TEST_F(SaveCommand, MixedSelectionUsesVersionPropertiesAndSettingsForNewArchives)
{
    settings_.SetDword("MaxTempVersions", 5);
    std::string old = MakeFile("OLD.TXT", "old one");
    GiveArchive(old);
    fytest::WriteFileText(old, "old one, changed");
    std::string fresh = MakeFile("FRESH.TXT", "fresh one");
    FileList selection;
    FillSelection(selection, {old, fresh});

    std::string commentShown;
    DialogDriver driver("Version Properties - Multiple Files", [&](HWND dialog) {
        commentShown = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "Both checked");
        CheckDlgButton(dialog, IDC_PERMANENT_CHECK, BST_CHECKED);
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_EQ(commentShown, "Add Your Comment.");
    auto oldVersions = ReadStoredVersions("S:\\S$$OLD$TXT.fy");
    ASSERT_EQ(oldVersions.size(), 2u);
    EXPECT_EQ(Newest(oldVersions).comment, "Both checked");
    EXPECT_EQ(Newest(oldVersions).permanent, 1);
    auto freshVersions = ReadStoredVersions("S:\\S$$FRESH$TXT.fy");
    ASSERT_EQ(freshVersions.size(), 1u);
    EXPECT_EQ(freshVersions[0].permanent, 1) << "the first version takes the dialog's flag";
    EXPECT_NE(freshVersions[0].comment, "Both checked") << "but not its comment";
    EXPECT_EQ(MaxTempOf(fresh), 5) << "the cap comes from the settings";
}

TEST_F(SaveCommand, EmptyFileAmongSeveralAsksOkOrCancel)
{
    std::string a = MakeFile("A.TXT", "alpha");
    std::string empty = MakeFile("EMPTY.TXT", "");
    std::string c = MakeFile("C.TXT", "gamma");
    FileList selection;
    FillSelection(selection, {a, empty, c});
    {
        // Cancel ends the command before anything is asked or saved.
        MessageBoxAnswerer answerer({IDCANCEL});
        EXPECT_EQ(Save(selection), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        ExpectBox(answerer.Boxes()[0], "EMPTY.TXT is a zero length file.", {IDOK, IDCANCEL}, BoxIcon::Stop);
        EXPECT_EQ(fytest::FilesIn("S:\\").size(), 3u) << "no archive";
    }

    // OK goes on; the empty file is passed over silently in the saving pass.
    MessageBoxAnswerer answerer({IDOK});
    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$A$TXT.fy").size(), 1u);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$C$TXT.fy").size(), 1u);
    EXPECT_EQ(fytest::FilesIn("S:\\").size(), 5u) << "none for the empty file";
    EXPECT_EQ(watcher.steps, 3);
}

TEST_F(SaveCommand, CancelInTheProgressWindowKeepsWhatIsSavedAndLeavesTheRest)
{
    std::vector<std::string> paths;
    for (const char* name : {"ONE.TXT", "TWO.TXT", "THREE.TXT", "FOUR.TXT"})
        paths.push_back(MakeFile(name, std::string("content of ") + name));
    FileList selection;
    FillSelection(selection, paths);   // walked four, three, two, one

    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher("Versioning " + paths[2]);   // the second file of the walk
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.texts.size(), 2u) << "no third file was started";
    EXPECT_EQ(watcher.steps, 1) << "the cancelled file's step is not taken";
    EXPECT_EQ(ReadStoredVersions("S:\\S$$FOUR$TXT.fy").size(), 1u);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$THREE$TXT.fy").size(), 1u) << "the file being saved is finished";
    EXPECT_EQ(fytest::FilesIn("S:\\").size(), 6u) << "no archive for the others";
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Versioning...", 100), nullptr);
}

TEST_F(SaveCommand, ExcludedTypeIsNeitherTestedNorSavedButCountsAStep)
{
    settings_.SetString("VersionExclude", "tmp,bak");
    std::string excluded = MakeFile("SCRATCH.TMP", "");   // empty: a test would complain
    std::string y = MakeFile("Y.TXT", "why");
    std::string z = MakeFile("Z.TXT", "zed");
    FileList selection;
    FillSelection(selection, {excluded, y, z});

    DialogDriver driver("New Version - Multiple Files", IDOK);
    ProgressWatcher watcher;
    {
        fytest::NoMessageBoxes noBox;
        EXPECT_EQ(Save(selection), S_OK);
    }
    driver.Join();

    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning " + z, "Versioning " + y}));
    EXPECT_EQ(watcher.rangeHigh, 3);
    EXPECT_EQ(watcher.steps, 3);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$Y$TXT.fy").size(), 1u);
    EXPECT_EQ(ReadStoredVersions("S:\\S$$Z$TXT.fy").size(), 1u);
    EXPECT_EQ(fytest::FilesIn("S:\\").size(), 5u) << "none for the excluded file";
}

// A central folder that cannot be used is told once for the whole command,
// however many files the selection holds, and nothing is saved.
TEST_F(SaveCommand, UnusableCentralFolderIsToldOnceAndNothingIsSaved)
{
    std::string a = MakeFile("A.TXT", "alpha");
    std::string b = MakeFile("B.TXT", "beta");
    settings_.SetString("VersionsPath", "relative\\versions");
    FileList selection;
    FillSelection(selection, {a, b});
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(Save(selection), S_OK);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can't create Fennory directory!");
    EXPECT_EQ(fytest::FilesIn("S:\\").size(), 2u) << "no archive anywhere";
}

// A damaged archive is reported as damaged, not as an unchanged file, and the
// file and the archive are left as they were.
TEST_F(SaveCommand, DamagedArchiveIsSaidToBeDamaged)
{
    std::string path = MakeFile("REPORT.TXT", "first draft");
    GiveArchive(path);
    const std::string archive = "S:\\S$$REPORT$TXT.fy";
    std::string bytes = fytest::ReadFileText(archive);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    fytest::WriteFileText(archive, bytes);
    fytest::WriteFileText(path, "second draft");

    FileList selection;
    FillSelection(selection, {path});
    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save(selection), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text,
              "S:\\REPORT.TXT\nThe archive of this file is damaged:\nS:\\S$$REPORT$TXT.fy\n\nNothing was changed.");
    EXPECT_TRUE(answerer.Boxes()[0].HasButtons({IDOK}));
    EXPECT_EQ(fytest::ReadFileText(archive), bytes);
    EXPECT_EQ(fytest::ReadFileText(path), "second draft");
}
