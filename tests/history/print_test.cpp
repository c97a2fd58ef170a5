// Printing the history on the session's PDF printer, read back as text.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>

#include "command_driver.h"
#include "history_print.h"
#include "page_fixture.h"
#include "resource.h"
#include "scratch.h"

namespace fytest {
namespace {

// The PDF printer's output folder, as Unix and as Windows sees it.
std::string PdfFolderUnix()
{
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("FY_PDF_DIR", folder, sizeof(folder));
    return (length > 0 && length < sizeof(folder)) ? folder : "/tmp/fy-pdf";
}

std::string UnixToWindows(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The printed jobs whose file name holds token.
std::vector<std::string> JobsNamed(const std::string& token)
{
    std::vector<std::string> jobs;
    WIN32_FIND_DATAA found;
    std::string pattern = UnixToWindows(PdfFolderUnix()) + "\\*" + token + "*.pdf";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return jobs;
    do {
        jobs.push_back(PdfFolderUnix() + "/" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return jobs;
}

// Runs a shell command line on the Unix side and waits for it: Wine starts a
// Unix program without a process to wait on, so the command leaves its exit
// status in a file of its own. True when it ran and succeeded.
bool RunUnix(const std::string& command)
{
    static int runs = 0;
    std::string status = PdfFolderUnix() + "/status-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++runs);
    std::string line = "/bin/sh -c \"(" + command + ") >/dev/null 2>&1; echo $? > '" + status + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string statusFile = UnixToWindows(status);
    if (!WaitUntil([&] { return ReadFileText(statusFile).find('\n') != std::string::npos; }, 20000))
        return false;
    std::string code = ReadFileText(statusFile);
    DeleteFileA(statusFile.c_str());
    return atoi(code.c_str()) == 0;
}

// The job's text, page by page, as pdftotext -layout lays it out.
std::vector<std::vector<std::string>> PdfPages(const std::string& pdf, int* pageCount)
{
    std::string text = pdf + ".txt";
    std::string info = pdf + ".info";
    // The file appears while the printer still writes it: read it once it
    // is whole.
    EXPECT_TRUE(WaitUntil(
        [&] { return RunUnix("pdfinfo '" + pdf + "' > '" + info + "' && pdftotext -layout '" + pdf + "' '" + text + "'"); },
        20000));
    std::string content = ReadFileText(UnixToWindows(text));
    std::string details = ReadFileText(UnixToWindows(info));
    DeleteFileA(UnixToWindows(text).c_str());
    DeleteFileA(UnixToWindows(info).c_str());
    *pageCount = 0;
    size_t pages = details.find("Pages:");
    if (pages != std::string::npos)
        *pageCount = atoi(details.c_str() + pages + 6);

    std::vector<std::vector<std::string>> result(1);
    std::string line;
    for (char c : content) {
        if (c == '\f') {
            if (!line.empty())
                result.back().push_back(line);
            line.clear();
            result.emplace_back();
        } else if (c == '\n') {
            if (line.find_first_not_of(' ') != std::string::npos)
                result.back().push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    while (!result.empty() && result.back().empty())
        result.pop_back();
    return result;
}

// The words of a printed line.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

// Watches the page's thread while a job runs: what happens when the progress
// window comes up, and whether Print History was pressed during a job.
class JobWatch {
public:
    enum class OnProgress { Nothing, Cancel, PressPrintAgain };

    JobWatch(OnProgress action, HWND page) : action_(action), page_(page)
    {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~JobWatch()
    {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }

    int pressedWhilePrinting = 0;
    bool progressSeen = false;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        JobWatch* self = current_;
        if (code == HC_ACTION && self) {
            if (message->message == WM_INITDIALOG && GetDlgItem(message->hwnd, IDC_PROGRESS_BAR)) {
                self->progressSeen = true;
                if (self->action_ == OnProgress::Cancel)
                    PostMessageA(GetDlgItem(message->hwnd, IDCANCEL), BM_CLICK, 0, 0);
                else if (self->action_ == OnProgress::PressPrintAgain)
                    PostMessageA(GetDlgItem(self->page_, IDC_PRINT_HISTORY), BM_CLICK, 0, 0);
            }
            if (message->message == WM_COMMAND && message->hwnd == self->page_ &&
                LOWORD(message->wParam) == IDC_PRINT_HISTORY && IsPrintingHistory())
                ++self->pressedWhilePrinting;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static JobWatch* current_;
    OnProgress action_;
    HWND page_;
    HHOOK hook_ = nullptr;
};
JobWatch* JobWatch::current_ = nullptr;

// A name no earlier run and no other test's job has: the printer's folder
// outlives the runs, and Wine's process ids come round again.
std::string Token(const char* what)
{
    std::string token = std::string("hp") + what + std::to_string(GetCurrentProcessId()) + "t" +
                        std::to_string(GetTickCount() % 1000000);
    for (const auto& old : JobsNamed(token))
        DeleteFileA(UnixToWindows(old).c_str());
    return token;
}

class HistoryPrintTest : public HistoryPageTest {
protected:
    // Prints from the page with Print History, pressing OK in the print
    // dialog, and waits for the job's PDF. A second print dialog would stay
    // unanswered and fail the test.
    std::string PrintAndWait(const std::string& token, JobWatch& watch)
    {
        DialogDriver driver("Print", IDOK);
        EXPECT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        bool printed = PumpUntil([&] { return !JobsNamed(token).empty(); }, 20000);
        EXPECT_TRUE(watch.progressSeen);
        return printed ? JobsNamed(token)[0] : std::string();
    }
};

TEST_F(HistoryPrintTest, PrintsHeadingColumnHeadingsAndRowsNewestFirstOnPagesOfNLines)
{
    // The session's printer: A4 at 300 dpi, 3508 dots high. The listing's
    // 10-point fixed-pitch font has a 42-dot em there and lines h = 48 dots
    // high (Wine gives it Liberation Mono), so rows stand at lines 4..N on
    // the first page and 2..N on the others, N = (3508 - 10) / 48 - 2 = 70.
    PRINTDLGA defaults = {};
    defaults.lStructSize = sizeof(defaults);
    defaults.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    ASSERT_TRUE(PrintDlgA(&defaults)) << "no default printer: is the session's CUPS printer up?";
    int resolution = GetDeviceCaps(defaults.hDC, VERTRES);
    int dpi = GetDeviceCaps(defaults.hDC, LOGPIXELSY);
    DeleteDC(defaults.hDC);
    GlobalFree(defaults.hDevMode);
    GlobalFree(defaults.hDevNames);
    ASSERT_EQ(resolution, 3508);
    ASSERT_EQ(dpi, 300);
    const int kLines = 70;
    const int kFirstPageRows = kLines - 3;
    const int kVersions = kFirstPageRows + 3;   // three rows go over to page 2

    std::string token = Token("order");
    std::vector<Saved> versions;
    for (int i = 1; i <= kVersions; ++i) {
        char comment[16];
        snprintf(comment, sizeof(comment), "note%03d", i);
        versions.push_back({i % 2 ? "ann" : "bartholomew", i == 1 ? "" : comment, i % 5 == 0 ? 1 : 0});
    }
    MakeHistory(token, versions, 1000);
    OpenPage();
    JobWatch watch(JobWatch::OnProgress::Nothing, Page());
    std::string pdf = PrintAndWait(token, watch);
    ASSERT_FALSE(pdf.empty());
    int pageCount = 0;
    auto pages = PdfPages(pdf, &pageCount);
    EXPECT_EQ(pageCount, 2);
    ASSERT_EQ(pages.size(), 2u);

    EXPECT_EQ(Words(pages[0][0]), (std::vector<std::string>{"File:", token + ".txt,", "Total", "Number", "of",
                                                            "Versions:", std::to_string(kVersions)}));
    const std::vector<std::string> kColumns = {"Permanent", "#", "Date", "&", "Time", "Updated", "By", "Comment"};
    EXPECT_EQ(Words(pages[0][1]), kColumns);
    EXPECT_EQ(Words(pages[1][0]), kColumns);
    ASSERT_EQ(static_cast<int>(pages[0].size()), 2 + kFirstPageRows);
    ASSERT_EQ(pages[1].size(), 1u + 3u);

    // Every row: flag, number, date and time, user, comment; newest first.
    int expected = kVersions;
    for (int page = 0; page < 2; ++page) {
        for (size_t line = page == 0 ? 2 : 1; line < pages[page].size(); ++line, --expected) {
            auto words = Words(pages[page][line]);
            ASSERT_GE(words.size(), 4u) << pages[page][line];
            EXPECT_EQ(words[0], expected % 5 == 0 ? "Y" : "N") << pages[page][line];
            EXPECT_EQ(words[1], std::to_string(expected)) << pages[page][line];
            std::string user = expected % 2 ? "ann" : "bartholomew";
            char comment[16];
            snprintf(comment, sizeof(comment), "note%03d", expected);
            if (expected == 1) {
                EXPECT_EQ(words.back(), user) << pages[page][line];
            } else {
                ASSERT_GE(words.size(), 2u);
                EXPECT_EQ(words[words.size() - 2], user) << pages[page][line];
                EXPECT_EQ(words.back(), comment) << pages[page][line];
            }
        }
    }
    EXPECT_EQ(expected, 0);
}

TEST_F(HistoryPrintTest, CancelLeavesNoJobAndASecondPrintWaitsForTheFirst)
{
    std::string cancelled = Token("cancel");
    MakeHistory(cancelled, {{"ann", "", 0}, {"ann", "two", 0}, {"ann", "three", 0}});
    OpenPage();
    {
        JobWatch watch(JobWatch::OnProgress::Cancel, Page());
        DialogDriver driver("Print", IDOK);
        ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        ASSERT_TRUE(PumpUntil([&] { return watch.progressSeen && !IsPrintingHistory(); }));
    }
    ClosePage();

    // A second job, during whose spooling Print History is pressed again.
    std::string second = Token("again");
    MakeHistory(second, {{"ann", "", 0}, {"ann", "two", 0}});
    OpenPage();
    JobWatch watch(JobWatch::OnProgress::PressPrintAgain, Page());
    ASSERT_FALSE(PrintAndWait(second, watch).empty());
    EXPECT_EQ(watch.pressedWhilePrinting, 1);
    PumpMessages(300);   // nothing more may come of the second press
    EXPECT_EQ(JobsNamed(second).size(), 1u);

    // Jobs spool in order: the second is out, so the cancelled one would be.
    EXPECT_TRUE(JobsNamed(cancelled).empty());
}

TEST_F(HistoryPrintTest, AnArchiveThatBreaksDuringPrintingStillPrintsItsHeading)
{
    std::string token = Token("broken");
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
    bool printed = PumpUntil([&] { return !JobsNamed(token).empty(); }, 20000);
    ASSERT_TRUE(printed);
    int pageCount = 0;
    auto pages = PdfPages(JobsNamed(token)[0], &pageCount);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 4u);
    EXPECT_EQ(Words(pages[0][0]).back(), "2") << "the number of rows read";
    EXPECT_EQ(Words(pages[0][2])[1], "2");
    EXPECT_EQ(Words(pages[0][3])[1], "1");
}

}  // namespace
}  // namespace fytest
