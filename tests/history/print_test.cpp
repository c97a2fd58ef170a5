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

// Runs a shell command line on the Unix side and waits for it.
bool RunUnix(const std::string& command)
{
    std::string line = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    bool done = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return done;
}

// The job's text, page by page, as pdftotext -layout lays it out.
std::vector<std::vector<std::string>> PdfPages(const std::string& pdf, int* pageCount)
{
    std::string text = pdf + ".txt";
    std::string info = pdf + ".info";
    EXPECT_TRUE(RunUnix("pdftotext -layout '" + pdf + "' '" + text + "' && pdfinfo '" + pdf + "' > '" + info + "'"));
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

// Presses OK in the print dialog from a thread of its own; any further print
// dialog while the job runs is counted and cancelled.
class PrintDialogDriver {
public:
    PrintDialogDriver()
        : thread_([this] {
              HWND first = WaitForDialog("Print");
              if (!first)
                  return;
              PressButton(first, IDOK);
              while (!stop_) {
                  HWND again = WaitForDialog("Print", 100);
                  if (again && again != first) {
                      ++extraDialogs;
                      PressButton(again, IDCANCEL);
                      first = again;
                  }
              }
          })
    {
    }
    ~PrintDialogDriver() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    std::atomic<int> extraDialogs{0};

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string Token(const char* what)
{
    return std::string("hp") + what + std::to_string(GetCurrentProcessId());
}

class HistoryPrintTest : public HistoryPageTest {
protected:
    // Prints from the page with Print History and waits for the job's PDF.
    std::string PrintAndWait(const std::string& token, JobWatch::OnProgress action, int* extraDialogs = nullptr,
                             int* pressedWhilePrinting = nullptr)
    {
        JobWatch watch(action, Page());
        PrintDialogDriver driver;
        EXPECT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        bool printed = PumpUntil([&] { return !JobsNamed(token).empty(); }, 20000);
        driver.Stop();
        if (extraDialogs)
            *extraDialogs = driver.extraDialogs;
        if (pressedWhilePrinting)
            *pressedWhilePrinting = watch.pressedWhilePrinting;
        EXPECT_TRUE(watch.progressSeen);
        return printed ? JobsNamed(token)[0] : std::string();
    }
};

TEST_F(HistoryPrintTest, PrintsHeadingColumnHeadingsAndRowsNewestFirstOnPagesOfNLines)
{
    // The page length of the session's printer, as the device reports it:
    // rows stand at lines 4..N on the first page and 2..N on the others,
    // N = (vertical resolution - 10) / character height - 2.
    PRINTDLGA defaults = {};
    defaults.lStructSize = sizeof(defaults);
    defaults.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    ASSERT_TRUE(PrintDlgA(&defaults)) << "no default printer: is the session's CUPS printer up?";
    TEXTMETRICA metrics = {};
    GetTextMetricsA(defaults.hDC, &metrics);
    int resolution = GetDeviceCaps(defaults.hDC, VERTRES);
    DeleteDC(defaults.hDC);
    GlobalFree(defaults.hDevMode);
    GlobalFree(defaults.hDevNames);
    printf("printer: VERTRES %d, character height %ld\n", resolution, metrics.tmHeight);
    const int kLines = (resolution - 10) / metrics.tmHeight - 2;
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
    std::string pdf = PrintAndWait(token, JobWatch::OnProgress::Nothing);
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
        PrintDialogDriver driver;
        ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
        ASSERT_TRUE(PumpUntil([&] { return watch.progressSeen && !IsPrintingHistory(); }));
    }
    ClosePage();

    // A second job, during whose spooling Print History is pressed again.
    std::string second = Token("again");
    MakeHistory(second, {{"ann", "", 0}, {"ann", "two", 0}});
    OpenPage();
    int extraDialogs = -1;
    int pressedWhilePrinting = -1;
    std::string pdf = PrintAndWait(second, JobWatch::OnProgress::PressPrintAgain, &extraDialogs, &pressedWhilePrinting);
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(pressedWhilePrinting, 1);
    EXPECT_EQ(extraDialogs, 0);
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
    JobWatch watch(JobWatch::OnProgress::Nothing, Page());
    // The archive is damaged while the print dialog is open: the rows were
    // read, the heading's count can no longer be.
    std::thread driver([&] {
        HWND dialog = WaitForDialog("Print");
        if (!dialog)
            return;
        WriteFileText(archivePath, std::string(3000, 'x'));
        PressButton(dialog, IDOK);
    });
    ASSERT_TRUE(PressButton(Page(), IDC_PRINT_HISTORY));
    bool printed = PumpUntil([&] { return !JobsNamed(token).empty(); }, 20000);
    driver.join();
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
