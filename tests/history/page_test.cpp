// The history page's commands, its cap of temporary versions, its watch of the archive and its About
// box, driven as a user drives them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>

#include "command_driver.h"
#include "page_fixture.h"
#include "resource.h"
#include "scratch.h"

namespace fytest {
namespace {

using HistoryPageCommands = HistoryPageTest;

TEST_F(HistoryPageCommands, CopyUnderTheProposedOrATypedNameThenDeleteAskingForAPermanentVersion)
{
    MakeHistory("report", {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 1}, {"ann", "four", 0}});
    OpenPage();
    ASSERT_EQ(RowNumbers(), (Rows{4, 3, 2, 1}));
    ClickRow(2);   // version 2
    std::string proposed;
    {
        DialogDriver driver("Copy", [&](HWND dialog) {
            proposed = GetControlText(dialog, IDC_TARGET_PATH_EDIT);
            PressButton(dialog, IDOK);
        });
        ASSERT_TRUE(PressButton(Page(), IDC_COPY_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return PathExists(scratch_ / "report(v2).txt"); }));
    }
    EXPECT_EQ(proposed, scratch_ / "report(v2).txt");
    EXPECT_EQ(ReadFileText(scratch_ / "report(v2).txt"), "version 2");

    // A typed name that exists: No keeps the dialog, then another name.
    std::string taken = scratch_ / "taken.txt";
    WriteFileText(taken, "keep me");
    std::string typed = scratch_ / "typed copy.txt";
    ClickRow(1);   // version 3
    {
        MessageBoxAnswerer answers({IDNO}, 10000, "Retrieve As");
        DialogDriver driver("Copy", [&](HWND dialog) {
            SetControlText(dialog, IDC_TARGET_PATH_EDIT, taken);
            PressButton(dialog, IDOK);
            // The question comes and goes; the dialog stays for a new name.
            WaitUntil([&] { return answers.Boxes().size() == 1 && !FindMessageBox("Retrieve As"); });
            SetControlText(dialog, IDC_TARGET_PATH_EDIT, typed);
            PressButton(dialog, IDOK);
        });
        ASSERT_TRUE(PressButton(Page(), IDC_COPY_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return PathExists(typed); }));
        const auto& boxes = answers.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, taken + "\nThis file already exists.\n\nReplace existing file?");
        EXPECT_EQ(boxes[0].icon, BoxIcon::Warning);
    }
    EXPECT_EQ(ReadFileText(typed), "version 3");
    EXPECT_EQ(ReadFileText(taken), "keep me");

    // Browse starts from the proposed name, not from what was typed since,
    // and a name picked there closes the Copy dialog as OK does.
    std::string browsed = scratch_ / "browsed.txt";
    std::string startName;
    ClickRow(3);   // version 1
    {
        DialogDriver driver("Copy", [&](HWND dialog) {
            SetControlText(dialog, IDC_TARGET_PATH_EDIT, scratch_ / "typed but not used.txt");
            PressButton(dialog, IDC_BROWSE);
            if (HWND save = WaitForWindow("#32770", "Retrieve As")) {
                startName = GetControlText(save, 1148) + GetControlText(save, 1152);
                AnswerFileDialog(save, browsed);
            }
        });
        ASSERT_TRUE(PressButton(Page(), IDC_COPY_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return PathExists(browsed) && !WaitForWindow("#32770", "Copy", 0); }));
    }
    EXPECT_NE(startName.find("report(v1).txt"), std::string::npos) << startName;
    EXPECT_EQ(ReadFileText(browsed), "version 1");

    // Delete: Cancel at the permanent question stops without deleting (and leaves the archive as it
    // was, so the page's watch does not refill the list under the next clicks).
    ClickRow(1);   // version 3
    {
        MessageBoxAnswerer answers({IDYES, IDCANCEL});
        ASSERT_TRUE(PressButton(Page(), IDC_DELETE_BUTTON));
        EXPECT_TRUE(PostedHandled());   // the click runs both questions before it returns
        EXPECT_EQ(answers.Boxes().size(), 2u);
    }
    EXPECT_EQ(archive_->CountVersions(), 4);
    EXPECT_EQ(RowNumbers(), (Rows{4, 3, 2, 1}));

    // Yes to the general question, No for the permanent version 3.
    ClickRow(0);
    ClickRow(1, 2, true);
    ClickRow(2, 2, true);
    {
        MessageBoxAnswerer answers({IDYES, IDNO});
        ASSERT_TRUE(PressButton(Page(), IDC_DELETE_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return RowNumbers() == Rows{3, 1}; }));
        const auto& boxes = answers.Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        ExpectBox(boxes[0],
                  "A deleted version cannot be restored.  Are you sure you want to delete the selected item(s)?",
                  {IDYES, IDNO}, BoxIcon::Question);
        ExpectBox(boxes[1],
                  "Version 3 of file report.txt is a permanent version!  Are you sure you really want to delete it?",
                  {IDYES, IDNO, IDCANCEL}, BoxIcon::Question);
    }
    EXPECT_EQ(archive_->CountVersions(), 2);
    // The refreshed list has no selection: every button but Print is off.
    EXPECT_FALSE(Enabled(IDC_DELETE_BUTTON));
    // The watch does not reload the page's own delete: a row picked now stays
    // picked past three of its periods.
    ClickRow(0);
    EXPECT_FALSE(WaitUntil([&] { return !Enabled(IDC_DELETE_BUTTON); }, 1500)) << "the selection was dropped";
}

TEST_F(HistoryPageCommands, MaximumOutsideTheRangeOrBelowTheTemporaries)
{
    MakeHistory("cap", {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 1}, {"ann", "four", 0}}, 7);
    OpenPage();
    EXPECT_EQ(GetControlText(Page(), IDC_MAX_TEMP_EDIT), "7");
    // Out of range: refused, the sheet stays. Below the three temporaries:
    // a warning, whose Cancel keeps the sheet and every version.
    const struct {
        const char* typed;
        int answer;
        const char* text;
        std::initializer_list<int> buttons;
        BoxIcon icon;
    } refusals[] = {
        {"0", IDOK, "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop},
        {"40000", IDOK, "Maximum number of temporary versions must be between 1 and 32767.", {IDOK}, BoxIcon::Stop},
        {"2", IDCANCEL, "Warning!  The number of temporary versions exceeds the maximum you have chosen.  One or more "
                        "versions will be deleted.", {IDOK, IDCANCEL}, BoxIcon::Warning},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.typed);
        SetControlText(Page(), IDC_MAX_TEMP_EDIT, refusal.typed);
        MessageBoxAnswerer answers({refusal.answer});
        ASSERT_TRUE(PressButton(Sheet(), IDOK));
        EXPECT_TRUE(PostedHandled());   // OK runs the check, and its box, before it returns
        ASSERT_EQ(answers.Boxes().size(), 1u);
        ExpectBox(answers.Boxes()[0], refusal.text, refusal.buttons, refusal.icon);
        EXPECT_FALSE(SheetClosed());
        EXPECT_EQ(archive_->GetMaxTempVersions(), 7);
        EXPECT_EQ(archive_->CountVersions(), 4);
    }

    // Exactly as many temporaries as the cap: no question.
    SetControlText(Page(), IDC_MAX_TEMP_EDIT, "3");
    {
        NoMessageBoxes none;
        ASSERT_TRUE(PressButton(Sheet(), 0x3021));   // Apply
        ASSERT_TRUE(WaitUntil([&] { return archive_->GetMaxTempVersions() == 3; }));
    }
    // OK at the warning trims the oldest temporaries; the permanent stays.
    SetControlText(Page(), IDC_MAX_TEMP_EDIT, "1");
    {
        MessageBoxAnswerer answers({IDOK});
        ASSERT_TRUE(PressButton(Sheet(), IDOK));
        ASSERT_TRUE(WaitUntil([&] { return SheetClosed(); }));
        EXPECT_EQ(answers.Boxes().size(), 1u);
    }
    EXPECT_EQ(archive_->GetMaxTempVersions(), 1);
    EXPECT_EQ(archive_->CountTemporaryVersions(), 1);
    EXPECT_EQ(archive_->IsPermanent(3), 1);

    // The top of the range is taken.
    ClosePage();
    OpenPage();
    SetControlText(Page(), IDC_MAX_TEMP_EDIT, "32767");
    ASSERT_TRUE(PressButton(Sheet(), IDOK));
    ASSERT_TRUE(WaitUntil([&] { return SheetClosed(); }));
    EXPECT_EQ(archive_->GetMaxTempVersions(), 32767);
}

TEST_F(HistoryPageCommands, ADamagedArchiveSaysSoLeavesThePageUsableAndIsWatched)
{
    MakeHistory("damaged", {{"ann", "", 0}, {"ann", "two", 0}});
    std::string archivePath = archive_->archivePath;
    WriteFileText(archivePath, std::string(3000, 'x'));
    OpenPage();
    EXPECT_EQ(GetControlText(Page(), IDC_COMPRESSED_LABEL), "The archive cannot be read.");
    EXPECT_TRUE(RowNumbers().empty());
    EXPECT_TRUE(Enabled(IDC_MAX_TEMP_EDIT));

    // Print History finds nothing to print and shows nothing.
    {
        NoMessageBoxes noBox;
        NoMessageBoxes noPrintDialog("Print");
        ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        EXPECT_TRUE(PostedHandled());
    }
    // About works, centred on the sheet (put off-centre, so that centring has to move the box).
    SetWindowPos(Sheet(), nullptr, 37, 21, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT sheet;
    GetWindowRect(Sheet(), &sheet);
    RECT box = {};
    std::string product;
    {
        std::atomic<bool> done{false};
        DialogDriver driver("About Fennory", [&](HWND dialog) {
            GetWindowRect(dialog, &box);
            product = GetControlText(dialog, IDC_ABOUT_PRODUCT) + "|" + GetControlText(dialog, IDC_ABOUT_SPARE_1) +
                      GetControlText(dialog, IDC_ABOUT_SPARE_2);
            PressButton(dialog, IDOK);
            done = true;
        });
        ASSERT_TRUE(PressButton(Page(), IDC_ABOUT_BUTTON));
        ASSERT_TRUE(WaitUntil([&] { return done.load() && !WaitForWindow("#32770", "About Fennory", 0); }));
    }
    EXPECT_EQ(product, "Fennory (TM)|");
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    ASSERT_GT(width, 0);
    EXPECT_EQ(box.left, sheet.left + ((sheet.right - sheet.left) - width) / 2);
    EXPECT_EQ(box.top, sheet.top + ((sheet.bottom - sheet.top) - height) / 2);

    // Made whole again by a new archive, the page fills itself, and a
    // version saved elsewhere then appears within a second.
    DeleteFileA(archivePath.c_str());
    WriteFileText(workingPath_, "fresh");
    ArchiveFile fresh(workingPath_.c_str());
    ASSERT_EQ(fresh.CreateWithFirstVersion(0, 10, 0, 0), 0);
    ASSERT_TRUE(WaitUntil([&] { return RowNumbers() == Rows{1}; }, 3000));
    EXPECT_EQ(GetControlText(Page(), IDC_COMPRESSED_LABEL), "");
    SaveFromOutside("two");
    DWORD saved = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return RowNumbers() == Rows{2, 1}; }, 3000));
    EXPECT_LT(GetTickCount() - saved, 1000u);
    EXPECT_TRUE(IsWindowEnabled(List()));
}

}  // namespace
}  // namespace fytest
