// The save-version command end to end: the first pass and its messages, the
// choice of dialog, the progress window with Cancel, and the archives as the
// store sees them afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "archive_file.h"
#include "command_driver.h"
#include "file_list.h"
#include "resource.h"
#include "save_version_command.h"
#include "scratch.h"
#include "settings_scope.h"
#include "store_api.h"
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

class SaveCommand : public testing::Test {
protected:
    std::string MakeFile(const std::string& name, const std::string& content)
    {
        std::string path = scratch_ / name;
        fytest::WriteFileText(path, content);
        return path;
    }

    // The archive beside a working file, as the store names it.
    std::string ArchiveBeside(const std::string& workingPath)
    {
        return workingPath.substr(0, workingPath.rfind('\\') + 1) + fytest::ArchiveNameOf(workingPath);
    }

    // An archive with one version, made through the archive layer.
    void GiveArchive(const std::string& path)
    {
        ArchiveFile archive(path.c_str());
        ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    }

    HRESULT Save(FileList& selection) { return DoSaveVersion(selection, nullptr, nullptr, nullptr, nullptr, SW_SHOW); }

    // Drives the New Version dialog: presses OK with what it shows.
    static void AcceptNewVersion(const std::string& titleName)
    {
        HWND dialog = fytest::WaitForDialog("New Version - " + titleName);
        if (dialog)
            fytest::PressButton(dialog, IDOK);
    }

    static const StoredVersion* Newest(const std::vector<StoredVersion>& versions)
    {
        const StoredVersion* newest = nullptr;
        for (const auto& version : versions)
            if (!newest || version.number > newest->number)
                newest = &version;
        return newest;
    }

    SettingsScope settings_;
    ScratchFolder scratch_;
};

int StoredCounter(const std::string& archivePath)
{
    ArchiveHeader header;
    memset(&header, 0, sizeof(header));
    StoreHeaderHandle handle = 0;
    if (StoreReadHeader(archivePath.c_str(), &header, &handle) != 0)
        return -1;
    int counter = header.counter;
    StoreReleaseHeader(handle);
    return counter;
}

int StoredMaxTemp(const std::string& archivePath)
{
    size_t slash = archivePath.rfind('\\');
    StoreContext context = {};
    context.mode = 2;
    int32_t value = -1;
    if (StoreGetMaxTemp(archivePath.substr(slash + 1).c_str(), archivePath.substr(0, slash).c_str(), &value,
                        &context) != 0)
        return -1;
    return value;
}

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
    selection.AddFront(folder.c_str());
    MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(Save(selection), S_OK);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Fennory (TM)");
    EXPECT_EQ(boxes[0].text, "Error!  There are no files to Save!");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
    EXPECT_EQ(selection.Count(), 0);
    SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SaveCommand, UnchangedFileIsReportedWithOkOnlyAndNothingFollows)
{
    std::string path = MakeFile("same.txt", "unchanged");
    GiveArchive(path);
    FileList selection;
    selection.AddFront(path.c_str());
    MessageBoxAnswerer answerer({IDOK});
    // Were a dialog to follow, the guard would fail the test on its 20 s.
    EXPECT_EQ(Save(selection), S_OK);
    const auto& boxes = answerer.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, path + "\nWorking file is not newer than latest version.");
    EXPECT_TRUE(boxes[0].HasButtons({IDOK}));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(path)).size(), 1u);
}

TEST_F(SaveCommand, OneChangedFileGetsTheCommentAndFlagTypedWithoutAProgressWindow)
{
    std::string path = MakeFile("report.txt", "first draft");
    GiveArchive(path);
    fytest::WriteFileText(path, "second draft, longer");
    {
        ArchiveFile archive(path.c_str());
        ASSERT_EQ(archive.AddVersion("second", 0), 1);
    }
    fytest::WriteFileText(path, "third draft, longer still");
    std::string archivePath = ArchiveBeside(path);
    int counter = StoredCounter(archivePath);
    ASSERT_GT(counter, 0);

    FileList selection;
    selection.AddFront(path.c_str());
    std::string commentShown;
    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Version Properties - report.txt");
        if (!dialog)
            return;
        commentShown = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "");
        fytest::TypeText(dialog, IDC_COMMENT_EDIT, "Fixed the totals");
        fytest::SetChecked(dialog, IDC_PERMANENT_CHECK, true);
        fytest::PressButton(dialog, IDOK);
    });
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_EQ(commentShown, "Version " + std::to_string(counter));
    EXPECT_FALSE(watcher.windowSeen) << "one file: no progress window";
    auto versions = ReadStoredVersions(archivePath);
    ASSERT_EQ(versions.size(), 3u);
    const StoredVersion* newest = Newest(versions);
    EXPECT_EQ(newest->comment, "Fixed the totals");
    EXPECT_EQ(newest->permanent, 1);
}

TEST_F(SaveCommand, FilesWithoutArchivesGetTheNewVersionOptions)
{
    std::string central = scratch_ / "central";
    settings_.SetString("VersionsPath", central);
    std::string a = MakeFile("a.txt", "alpha");
    std::string b = MakeFile("b.txt", "beta");
    FileList selection;
    fytest::FillSelection(selection, {a, b});   // walked b, a

    bool commentless = false;
    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("New Version - Multiple Files");
        if (!dialog)
            return;
        commentless = GetDlgItem(dialog, IDC_COMMENT_EDIT) == nullptr;
        fytest::SetChecked(dialog, IDC_FIRST_PERMANENT_CHECK, true);
        fytest::SetChecked(dialog, IDC_SINGLE_LOCATION_CHECK, false);
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
    for (const std::string& path : {a, b}) {
        // Not the single location: beside the file although a central folder is set.
        std::string archivePath = ArchiveBeside(path);
        auto versions = ReadStoredVersions(archivePath);
        ASSERT_EQ(versions.size(), 1u) << path;
        EXPECT_EQ(versions[0].permanent, 1);
        EXPECT_EQ(StoredMaxTemp(archivePath), 3);
        EXPECT_FALSE(fytest::PathExists(central + "\\" + fytest::ArchiveNameOf(path)));
    }
}

TEST_F(SaveCommand, MixedSelectionUsesVersionPropertiesAndSettingsForNewArchives)
{
    settings_.SetDword("MaxTempVersions", 5);
    std::string old = MakeFile("old.txt", "old one");
    GiveArchive(old);
    fytest::WriteFileText(old, "old one, changed");
    std::string fresh = MakeFile("fresh.txt", "fresh one");
    FileList selection;
    fytest::FillSelection(selection, {old, fresh});

    std::string commentShown;
    DialogDriver driver([&] {
        HWND dialog = fytest::WaitForDialog("Version Properties - Multiple Files");
        if (!dialog)
            return;
        commentShown = fytest::GetControlText(dialog, IDC_COMMENT_EDIT);
        fytest::SetControlText(dialog, IDC_COMMENT_EDIT, "Both checked");
        fytest::SetChecked(dialog, IDC_PERMANENT_CHECK, true);
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_EQ(commentShown, "Add Your Comment.");
    auto oldVersions = ReadStoredVersions(ArchiveBeside(old));
    ASSERT_EQ(oldVersions.size(), 2u);
    EXPECT_EQ(Newest(oldVersions)->comment, "Both checked");
    EXPECT_EQ(Newest(oldVersions)->permanent, 1);
    auto freshVersions = ReadStoredVersions(ArchiveBeside(fresh));
    ASSERT_EQ(freshVersions.size(), 1u);
    EXPECT_EQ(freshVersions[0].permanent, 1) << "the first version takes the dialog's flag";
    EXPECT_NE(freshVersions[0].comment, "Both checked") << "but not its comment";
    EXPECT_EQ(StoredMaxTemp(ArchiveBeside(fresh)), 5) << "the cap comes from the settings";
}

TEST_F(SaveCommand, EmptyFileAmongSeveralAsksOkOrCancel)
{
    std::string a = MakeFile("a.txt", "alpha");
    std::string empty = MakeFile("empty.txt", "");
    std::string c = MakeFile("c.txt", "gamma");
    FileList selection;
    fytest::FillSelection(selection, {a, empty, c});

    {
        // Cancel ends the command before anything is asked or saved.
        MessageBoxAnswerer answerer({IDCANCEL});
        EXPECT_EQ(Save(selection), S_OK);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "empty.txt is a zero length file.");
        EXPECT_TRUE(boxes[0].HasButtons({IDOK, IDCANCEL}));
        EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
        for (const std::string& path : {a, empty, c})
            EXPECT_FALSE(fytest::PathExists(ArchiveBeside(path))) << path;
    }

    // OK goes on; the empty file is passed over silently in the saving pass.
    MessageBoxAnswerer answerer({IDOK});
    DialogDriver driver([] { AcceptNewVersion("Multiple Files"); });
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();
    EXPECT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(a)).size(), 1u);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(c)).size(), 1u);
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(empty)));
    EXPECT_EQ(watcher.steps, 3);
}

TEST_F(SaveCommand, CancelInTheProgressWindowKeepsWhatIsSavedAndLeavesTheRest)
{
    std::vector<std::string> paths;
    for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt"})
        paths.push_back(MakeFile(name, std::string("content of ") + name));
    FileList selection;
    fytest::FillSelection(selection, paths);   // walked four, three, two, one

    DialogDriver driver([] { AcceptNewVersion("Multiple Files"); });
    ProgressWatcher watcher("Versioning " + paths[2]);   // the second file of the walk
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();

    EXPECT_TRUE(watcher.cancelPressed);
    EXPECT_EQ(watcher.texts.size(), 2u) << "no third file was started";
    EXPECT_EQ(watcher.steps, 1) << "the cancelled file's step is not taken";
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(paths[3])).size(), 1u);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(paths[2])).size(), 1u) << "the file being saved is finished";
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(paths[1])));
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(paths[0])));
    EXPECT_EQ(fytest::WaitForWindow("#32770", "Versioning...", 100), nullptr);
}

TEST_F(SaveCommand, ExcludedTypeIsNeitherTestedNorSavedButCountsAStep)
{
    settings_.SetString("VersionExclude", "tmp,bak");
    std::string excluded = MakeFile("scratch.tmp", "");   // empty: a test would complain
    std::string y = MakeFile("y.txt", "why");
    std::string z = MakeFile("z.txt", "zed");
    FileList selection;
    fytest::FillSelection(selection, {excluded, y, z});

    DialogDriver driver([] { AcceptNewVersion("Multiple Files"); });
    ProgressWatcher watcher;
    EXPECT_EQ(Save(selection), S_OK);   // no box: the guard would fail an unanswered one
    driver.Join();

    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning " + z, "Versioning " + y}));
    EXPECT_EQ(watcher.rangeHigh, 3);
    EXPECT_EQ(watcher.steps, 3);
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(excluded)));
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(y)).size(), 1u);
    EXPECT_EQ(ReadStoredVersions(ArchiveBeside(z)).size(), 1u);
}

TEST_F(SaveCommand, CancelledDialogSavesNothing)
{
    std::string a = MakeFile("a.txt", "alpha");
    FileList selection;
    selection.AddFront(a.c_str());
    DialogDriver driver([] {
        HWND dialog = fytest::WaitForDialog("New Version - a.txt");
        if (dialog)
            fytest::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(Save(selection), S_OK);
    driver.Join();
    EXPECT_FALSE(fytest::PathExists(ArchiveBeside(a)));
}
