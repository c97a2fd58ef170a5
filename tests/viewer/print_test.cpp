// Printing a text version from the viewer window to the session's PDF
// printer, read back with poppler's tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "scratch.h"
#include "ui_driver.h"
#include "viewer_bench.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

// The Windows form of the printer's output folder ($FY_PDF_DIR).
std::string PdfFolder()
{
    const char* unix = getenv("FY_PDF_DIR");
    std::string folder = std::string("Z:") + (unix && *unix ? unix : "/tmp/fy-pdf");
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    return folder;
}

// The first file in folder whose name holds part, or empty.
std::string FindFile(const std::string& folder, const std::string& part)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*" + part + "*.pdf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::string();
    FindClose(search);
    return folder + "\\" + found.cFileName;
}

// Waits (up to 30 s) until path exists, is not empty and keeps its size
// for half a second.
void WaitForWholeFile(const std::string& path)
{
    LONGLONG lastSize = -1;
    for (int i = 0; i < 60; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        LONGLONG size = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
                            ? (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                            : -1;
        if (size > 0 && size == lastSize)
            return;
        lastSize = size;
        Sleep(500);
    }
}

// Runs a Unix program of the build machine and returns what it wrote.
std::string RunUnix(const std::string& commandLine, const std::string& outputPath)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "<cannot run: " + std::to_string(GetLastError()) + ">";
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // A Unix process's handle may report its end early: the output counts
    // once it is there and its size has stopped changing.
    WaitForWholeFile(outputPath);
    return fytest::ReadFileText(outputPath);
}

// Presses OK in the print dialog when it appears.
void AnswerPrintDialog(bool* pressed)
{
    for (int i = 0; i < 300 && !*pressed; ++i) {
        HWND dialog = FindWindowA("#32770", "Print");
        if (dialog && IsWindowVisible(dialog)) {
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            *pressed = true;
            return;
        }
        Sleep(50);
    }
}

TEST(ViewerPrinting, TextVersionOnPagesOfThePdfPrinter)
{
    fytest::ViewerKeyScope key(fytest::ProgramFolder().c_str());
    ASSERT_TRUE(LoadViewerLibraries());
    fytest::ScratchFolder scratch;
    std::string text;
    char line[64];
    for (int i = 1; i <= 150; ++i) {
        snprintf(line, sizeof(line), "Line %03d of the printed version\r\n", i);
        text += line;
    }
    std::string copy = scratch / "print.tmp";
    fytest::WriteFileText(copy, text);

    // A name no other test prints under.
    std::string unique = "viewerprint" + std::to_string(GetTickCount());
    auto* frame = new ViewerFrame;
    ASSERT_TRUE(frame->ShowVersion(copy.c_str(), (unique + ".txt").c_str(), 5));
    HWND window = frame->window;

    // File, Print, answered from a second thread; the job is spooled when
    // the command returns.
    bool pressed = false;
    std::thread answerer(AnswerPrintDialog, &pressed);
    SendMessageA(window, WM_COMMAND, 40000, 0);
    answerer.join();
    EXPECT_TRUE(pressed);
    SendMessageA(window, WM_CLOSE, 0, 0);
    UnloadViewerLibraries();

    // The printer is shared with other programs: the job may wait its turn.
    std::string pdf;
    for (int i = 0; i < 900 && pdf.empty(); ++i) {
        Sleep(100);
        pdf = FindFile(PdfFolder(), unique);
    }
    ASSERT_FALSE(pdf.empty()) << "no job in " << PdfFolder();
    WaitForWholeFile(pdf);

    std::string unixPdf = pdf.substr(2);
    for (char& c : unixPdf)
        if (c == '\\')
            c = '/';
    // The text goes beside the job, where both sides name the folder.
    std::string textOut = PdfFolder() + "\\" + unique + ".text";
    std::string unixText = unixPdf.substr(0, unixPdf.find_last_of('/') + 1) + unique + ".text";
    std::string printed = RunUnix("/usr/bin/pdftotext -layout \"" + unixPdf + "\" \"" + unixText + "\"", textOut);
    EXPECT_NE(std::string::npos, printed.find("Line 001 of the printed version")) << printed.substr(0, 400);
    EXPECT_NE(std::string::npos, printed.find("Line 150 of the printed version"));
    EXPECT_NE(std::string::npos, printed.find("Page 1"));
    EXPECT_NE(std::string::npos, printed.find("Page 3"));
    EXPECT_EQ(std::string::npos, printed.find("Page 4"));
    // The header names the window (Wine's printer driver turns the dashes
    // into soft hyphens on the way).
    size_t header = printed.find(unique + ".txt");
    EXPECT_NE(std::string::npos, header) << printed.substr(0, 300);
    EXPECT_LT(header, printed.find("Version 5"));
    EXPECT_LT(printed.find("Version 5"), printed.find("Page 1"));
    // Every line once, in order.
    size_t at = 0;
    for (int i = 1; i <= 150; ++i) {
        snprintf(line, sizeof(line), "Line %03d of", i);
        size_t found = printed.find(line, at);
        ASSERT_NE(std::string::npos, found) << line;
        at = found;
    }

    DeleteFileA(pdf.c_str());
    DeleteFileA(textOut.c_str());
}

}  // namespace
