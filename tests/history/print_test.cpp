// Printing the history on the session's PDF printer, read back as text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "command_driver.h"
#include "history_print.h"
#include "page_fixture.h"
#include "resource.h"
#include "viewer_fixture.h"

namespace fytest {
namespace {

using WordList = std::vector<std::string>;

class HistoryPrintTest : public HistoryPageTest {
protected:
    // Prints from the page with Print History, pressing OK in the print
    // dialog, and waits for the job's PDF. A second print dialog would stay
    // unanswered and fail the test.
    std::string PrintAndWait(const std::string& token, const ProgressWatcher& watcher)
    {
        DialogDriver driver("Print", IDOK);
        EXPECT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        bool printed = WaitUntil([&] { return !PdfJobsNamed(token).empty(); }, 20000);
        EXPECT_EQ(watcher.caption, "Printing...");
        return printed ? PdfJobsNamed(token)[0] : std::string();
    }
};

TEST_F(HistoryPrintTest, PrintsHeadingColumnHeadingsAndRowsNewestFirstOnPagesOfNLines)
{
    // The session's printer: A4 at 300 dpi, 3508 dots high. The listing's
    // 10-point fixed-pitch font has a 42-dot em there and lines h = 48 dots
    // high (Wine gives it Liberation Mono), so rows stand at lines 4..N on
    // the first page and 2..N on the others, N = (3508 - 10) / 48 - 2 = 70.
    const int kFirstPageRows = 70 - 3;
    const int kVersions = kFirstPageRows + 3;   // three rows go over to page 2

    std::string token = PdfToken("hporder");
    std::vector<Saved> versions;
    for (int i = 1; i <= kVersions; ++i) {
        char comment[16];
        snprintf(comment, sizeof(comment), "note%03d", i);
        versions.push_back({i % 2 ? "ann" : "bartholomew", i == 1 ? "" : comment, i % 5 == 0 ? 1 : 0});
    }
    MakeHistory(token, versions, 1000);
    OpenPage();
    ProgressWatcher watcher;
    std::string pdf = PrintAndWait(token, watcher);
    ASSERT_FALSE(pdf.empty());
    auto pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Words(pages[0][0]), (WordList{"File:", token + ".txt,", "Total", "Number", "of", "Versions:",
                                        std::to_string(kVersions)}));
    const WordList kColumns = {"Permanent", "#", "Date", "&", "Time", "Updated", "By", "Comment"};
    EXPECT_EQ(Words(pages[0][1]), kColumns);
    EXPECT_EQ(Words(pages[1][0]), kColumns);
    ASSERT_EQ(static_cast<int>(pages[0].size()), 2 + kFirstPageRows);
    ASSERT_EQ(pages[1].size(), 1u + 3u);

    // Every row: flag, number, date and time, user, comment; newest first.
    int expected = kVersions;
    for (int page = 0; page < 2; ++page) {
        for (size_t line = page == 0 ? 2 : 1; line < pages[page].size(); ++line, --expected) {
            SCOPED_TRACE(pages[page][line]);
            auto words = Words(pages[page][line]);
            ASSERT_GE(words.size(), 4u);
            EXPECT_EQ(words[0], expected % 5 == 0 ? "Y" : "N");
            EXPECT_EQ(words[1], std::to_string(expected));
            char comment[16];
            snprintf(comment, sizeof(comment), "note%03d", expected);
            WordList tail = {expected % 2 ? "ann" : "bartholomew", comment};
            if (expected == 1)
                tail.pop_back();   // the first version's empty comment
            EXPECT_EQ(WordList(words.end() - tail.size(), words.end()), tail);
        }
    }
    EXPECT_EQ(expected, 0);
}

TEST_F(HistoryPrintTest, CancelLeavesNoJobASecondPrintWaitsForTheFirstAndABrokenArchiveStillPrints)
{
    std::string cancelled = PdfToken("hpcancel");
    MakeHistory(cancelled, {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 0}});
    OpenPage();
    {
        ProgressWatcher watcher("Printing Version History");
        DialogDriver driver("Print", IDOK);
        ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        ASSERT_TRUE(WaitUntil([&] { return watcher.cancelPressed && !IsPrintingHistory(); }));
    }
    ClosePage();

    // A second job, during whose spooling Print History is pressed again.
    std::string second = PdfToken("hpagain");
    MakeHistory(second, {{"ann", "", 0}, {"ann", "two", 0}});
    OpenPage();
    bool pressedWhilePrinting = false;
    ProgressWatcher watcher({}, [&](HWND) {
        pressedWhilePrinting = IsPrintingHistory();
        PressButton(Page(), IDC_PRINT_HISTORY);
    });
    ASSERT_FALSE(PrintAndWait(second, watcher).empty());
    EXPECT_TRUE(pressedWhilePrinting);
    // A press handled after the job would open a second Print dialog, which nobody answers.
    PumpMessages(300);
    EXPECT_EQ(PdfJobsNamed(second).size(), 1u);
    // Jobs spool in order: the second is out, so the cancelled one would be.
    EXPECT_TRUE(PdfJobsNamed(cancelled).empty());

    // An archive that breaks during printing still prints its heading.
    ClosePage();
    std::string token = PdfToken("hpbroken");
    MakeHistory(token, {{"ann", "", 0}, {"ann", "two", 0}});
    OpenPage();
    std::string archivePath = archive_->archivePath;
    // The archive is damaged while the print dialog is open: the rows were
    // read, the heading's count can no longer be.
    DialogDriver driver("Print", [&](HWND dialog) {
        WriteFileText(archivePath, std::string(3000, 'x'));
        PressButton(dialog, IDOK);
    });
    ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
    ASSERT_TRUE(WaitUntil([&] { return !PdfJobsNamed(token).empty(); }, 20000));
    auto pages = PdfPages(PdfJobsNamed(token)[0]);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 4u);
    EXPECT_EQ(Words(pages[0][0]).back(), "2") << "the number of rows read";
    EXPECT_EQ(Words(pages[0][2])[1], "2");
    EXPECT_EQ(Words(pages[0][3])[1], "1");
}

}  // namespace
}  // namespace fytest
