// The viewer window: its title, what its viewer child shows, its layout, keyboard copy, its option
// dialogs, printing to the session's PDF printer (read back with poppler's tools) and its tear-down.
#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "module.h"
#include "plexa_format.h"
#include "run_program.h"
#include "scratch.h"
#include "ui_driver.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

using fytest::GetText;
using fytest::PathExists;
using fytest::PressButton;
using fytest::ViewerText;
using fytest::WriteFileText;

// Runs a menu command of the frame while a second thread works the modal
// dialog it opens (found by caption).
void RunDialogCommand(HWND frame, int command, const char* caption, const std::function<void(HWND)>& work)
{
    std::thread driver([&] {
        if (HWND dialog = fytest::WaitForWindow("#32770", caption))
            work(dialog);
        else
            ADD_FAILURE() << caption << " did not open";
    });
    SendMessageA(frame, WM_COMMAND, command, 0);
    driver.join();
}

class ViewerFrameTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadViewerLibraries()); }
    void TearDown() override
    {
        fytest::CloseStrayWindows();
        fytest::PumpMessages(50);
        EXPECT_EQ(0, ViewerFrameCount);
        UnloadViewerLibraries();
        EXPECT_EQ(copiesBefore_, fytest::ViewingCopies());
    }

    // Writes bytes to a viewing copy and shows it as version of workingName (a name or a path);
    // the frame's window.
    HWND Show(const std::string& bytes, const char* workingName, int version)
    {
        std::string name = workingName;
        std::string copy = scratch_ / (name.substr(name.rfind('\\') + 1) + ".tmp");
        WriteFileText(copy, bytes);
        auto* frame = new ViewerFrame;
        if (!frame->ShowVersion(copy.c_str(), workingName, version))
            return nullptr;
        fytest::PumpMessages(50);
        return frame->window;
    }

    static HWND ViewerOf(HWND frame) { return FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr); }

    // Shows bytes as version 5 of name, prints them with File, Print (OK in the print dialog) and
    // returns the Unix path of the job whose name holds jobKey (the printer cuts long job names).
    std::string PrintVersion(const std::string& bytes, const std::string& name, const std::string& jobKey)
    {
        HWND frame = Show(bytes, name.c_str(), 5);
        EXPECT_NE(nullptr, frame);
        // Spooled when the command returns.
        RunDialogCommand(frame, 40000, "Print", [](HWND dialog) { PressButton(dialog, IDOK); });
        SendMessageA(frame, WM_CLOSE, 0, 0);
        // The printer is shared with other programs: the job may wait its turn.
        std::vector<std::string> jobs;
        EXPECT_TRUE(fytest::WaitUntil([&] { return !(jobs = fytest::PdfJobsNamed(jobKey)).empty(); }, 90000))
            << name;
        return jobs.empty() ? std::string() : jobs[0];
    }

    fytest::ViewerKeyScope key_{fytest::ProgramFolder().c_str()};
    fytest::ScratchFolder scratch_;
    std::string copiesBefore_ = fytest::ViewingCopies();
};

// A 32-bit BMP of width x height whose quadrants are, from the top left
// clockwise, red, green, blue and yellow.
std::string QuadrantBitmap(int width, int height)
{
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;   // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(4 * width * height);
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;   // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 32;
    std::vector<DWORD> pixels;   // 0xRRGGBB, the bottom row first
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(y < height / 2 ? (x < width / 2 ? 0xFF0000 : 0x00FF00) : (x < width / 2 ? 0xFFFF00 : 0x0000FF));
    std::string bmp(reinterpret_cast<const char*>(&file), sizeof(file));
    bmp.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bmp.append(reinterpret_cast<const char*>(pixels.data()), 4 * pixels.size());
    return bmp;
}

// A page's header: the window's caption (Wine's printer driver turns its
// dashes into soft hyphens) on the left, the page on the right.
void ExpectHeader(const std::string& header, const std::string& name, int page)
{
    EXPECT_LT(header.find(name), header.find("Version 5")) << header;
    EXPECT_EQ("Page " + std::to_string(page), header.substr(header.size() - 6)) << header;
}

// A key pressed in control, with Ctrl held when controlDown is true.
void PressKey(HWND control, WPARAM key, bool controlDown)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = controlDown ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(control, WM_KEYDOWN, key, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

void EmptyTheClipboard()
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

// Presses a check box or radio button, then OK.
void ChooseAndAccept(HWND dialog, int choice)
{
    PressButton(dialog, choice);
    PressButton(dialog, IDOK);
}

TEST_F(ViewerFrameTest, TextShownLaidOutCopiedWithItsOptionsAndClosed)
{
    std::string longLine;
    for (int i = 0; i < 60; ++i)
        longLine += "word" + std::to_string(i) + " ";
    HWND frame = Show("first line\r\nsecond line\r\n" + longLine + "\r\n", "notes.txt", 3);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(1, ViewerFrameCount);
    EXPECT_EQ("Fennory (TM) View - ASCII Text - notes.txt - Version 3", GetText(frame));
    HWND viewer = ViewerOf(frame);
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ("first line\nsecond line\n" + longLine + "\n", ViewerText(viewer));
    HWND edit = fytest::TextControlOf(viewer);
    EXPECT_EQ(edit, GetFocus());

    // A 5-pixel margin all round, whatever the size; minimised, the child
    // keeps its size.
    MoveWindow(frame, 10, 10, 500, 360, TRUE);
    RECT client;
    GetClientRect(frame, &client);
    RECT child;
    GetWindowRect(viewer, &child);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&child), 2);
    EXPECT_EQ(5, child.left);
    EXPECT_EQ(5, child.top);
    EXPECT_EQ(client.right - 5, child.right);
    EXPECT_EQ(client.bottom - 5, child.bottom);
    ShowWindow(frame, SW_MINIMIZE);
    RECT kept;
    GetWindowRect(viewer, &kept);
    EXPECT_EQ(child.right - child.left, kept.right - kept.left);
    ShowWindow(frame, SW_RESTORE);

    // Ctrl+C copies the selection ("second"); C alone copies nothing;
    // Ctrl+Insert and Edit, Copy copy as well, as plain text at first.
    SendMessageA(edit, EM_SETSEL, 11, 17);
    EmptyTheClipboard();
    PressKey(edit, 'C', true);
    EXPECT_EQ("second", fytest::ClipboardText());
    EmptyTheClipboard();
    PressKey(edit, 'C', false);
    EXPECT_EQ("<empty>", fytest::ClipboardText());
    SendMessageA(edit, EM_SETSEL, 0, 5);
    PressKey(edit, VK_INSERT, true);
    EXPECT_EQ("first", fytest::ClipboardText());
    EmptyTheClipboard();
    SendMessageA(frame, WM_COMMAND, 40001, 0);
    EXPECT_EQ("first", fytest::ClipboardText());
    UINT rtf = RegisterClipboardFormatA("Rich Text Format");
    EXPECT_FALSE(IsClipboardFormatAvailable(rtf));

    // Clipboard Options switches to rich text.
    RunDialogCommand(frame, 40014, "Clipboard Options", [](HWND dialog) { ChooseAndAccept(dialog, 1021); });
    SendMessageA(frame, WM_COMMAND, 40001, 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(rtf));
    EXPECT_EQ("first", fytest::ClipboardText());

    // Wrapped by default; Display Options turns it off.
    EXPECT_LT(4, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    RunDialogCommand(frame, 40012, "Display Options", [](HWND dialog) {
        EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, 1002, BM_GETCHECK, 0, 0));
        ChooseAndAccept(dialog, 1002);
    });
    EXPECT_EQ(4, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));   // three lines and the empty last one

    // A margin out of range is refused with a message and the dialog stays;
    // a good one is kept.
    RunDialogCommand(frame, 40013, "Print Options", [](HWND dialog) {
        EXPECT_EQ("20", fytest::GetControlText(dialog, 1010));
        fytest::SetControlText(dialog, 1010, "150");
        fytest::MessageBoxAnswerer answerer({IDOK}, 10000, "Viewer");
        PressButton(dialog, IDOK);
        const auto& boxes = answerer.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Each margin is a whole number of millimetres from 0 to 100.", boxes[0].text);
        EXPECT_TRUE(IsWindow(dialog));
        fytest::SetControlText(dialog, 1010, "35");
        PressButton(dialog, IDOK);
    });
    // The options belong to the process: back as they were for the other tests.
    RunDialogCommand(frame, 40013, "Print Options", [](HWND dialog) {
        EXPECT_EQ("35", fytest::GetControlText(dialog, 1010));
        fytest::SetControlText(dialog, 1010, "20");
        PressButton(dialog, IDOK);
    });
    RunDialogCommand(frame, 40012, "Display Options", [](HWND dialog) { ChooseAndAccept(dialog, 1002); });
    RunDialogCommand(frame, 40014, "Clipboard Options", [](HWND dialog) { ChooseAndAccept(dialog, 1020); });

    // File, Exit: the frame goes, and so does the viewing copy.
    SendMessageA(frame, WM_COMMAND, 40016, 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(0, ViewerFrameCount);
    EXPECT_FALSE(PathExists(scratch_ / "notes.txt.tmp"));
}

// An image scaled to fit, text in each encoding, binary data and a Plexa document with its further
// file, each in a frame of its own, all open at once; a long dump and a long text with them.
TEST_F(ViewerFrameTest, EachFormatShownInFramesOpenAtOnce)
{
    HWND image = Show(QuadrantBitmap(40, 40), "img.bmp", 1);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ("Fennory (TM) View - Windows Bitmap - img.bmp - Version 1", GetText(image));
    MoveWindow(image, 0, 0, 600, 400, TRUE);
    HWND viewer = ViewerOf(image);
    SetWindowPos(image, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT client;
    GetClientRect(viewer, &client);
    // A square image in a wider box: as tall as the box, centred across.
    int side = client.bottom;
    int left = (client.right - side) / 2;
    int quarter = side / 4;
    HDC dc = GetDC(viewer);
    // Painted for the new size once its messages have come; the display may
    // show it a moment later.
    EXPECT_TRUE(fytest::WaitUntil([&] {
        RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return GetPixel(dc, left + 3 * quarter, 3 * quarter) == RGB(0, 0, 255);
    }, 5000));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, left + quarter, quarter));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc, left + 3 * quarter, quarter));
    EXPECT_EQ(RGB(255, 255, 0), GetPixel(dc, left + quarter, 3 * quarter));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetPixel(dc, left / 2, side / 2));   // beside the image
    ReleaseDC(viewer, dc);

    // The further file is made by the tool users have.
    std::string source = scratch_ / "chap2.markup";
    WriteFileText(source, "## Two\nChapter _two_ text.\n");
    ASSERT_EQ(0u, fytest::RunProgram("\"" + fytest::BesideTestProgram("plexa_write.exe") + "\" \"" + source + "\" \"" +
                                      (scratch_ / "chap2.plx") + "\"", 30000).code) << "plexa_write";
    const std::string blob("\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\22\23", 20);   // bytes 0 to 19
    const char greeting[] = "Gr\xC3\xBC\xC3\x9F" "e\n";
    const struct {
        std::string bytes;
        const char* name;
        const char* title;
        std::string text;
    } samples[] = {
        {std::string("\xFF\xFEG\0r\0\xFC\0\xDF\0e\0\r\0\n\0", 16), "utf16.txt", "Unicode Text - utf16.txt - Version 1",
         greeting},
        {"\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\r\n", "mark.txt", "UTF-8 Text - mark.txt - Version 2", greeting},
        {"Gr\xC3\xBC\xC3\x9F" "e\r\n", "utf8.txt", "UTF-8 Text - utf8.txt - Version 3", greeting},   // no mark
        {"Gr\xFC\xDF" "e\r\n", "ansi.txt", "ASCII Text - ansi.txt - Version 4", greeting},          // code page 1252
        {blob, "blob.bin", "Text - blob.bin - Version 5",
         "00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  |................|\n"
         "00000010  10 11 12 13" + std::string(39, ' ') + "|....|\n"},
        {plexa::WriteFromMarkup("# Plan\n\nIntro *bold* words\ngo on.\n\n@include chap2.plx\n* last item\n"),
         "plan.plx", "Zentrik Plexa 7.0 - plan.plx - Version 6",
         "Plan\n====\nIntro bold words go on.\nTwo\n---\nChapter two text.\n  * last item\n"},
    };
    std::vector<HWND> frames;
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.title);
        frames.push_back(Show(sample.bytes, sample.name, static_cast<int>(frames.size()) + 1));
        ASSERT_NE(nullptr, frames.back());
        EXPECT_EQ("Fennory (TM) View - " + std::string(sample.title), GetText(frames.back()));
        EXPECT_EQ(sample.text, ViewerText(ViewerOf(frames.back())));
    }

    HWND big = Show(std::string(64 * 1024 + 100, '\0'), "big.bin", 1);
    ASSERT_NE(nullptr, big);
    std::string dump = ViewerText(ViewerOf(big));
    EXPECT_EQ(4096u * 79u + 29u, dump.size());   // 4096 lines of 78 and LF, the note and its LF
    EXPECT_EQ("0000FFF0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\n"
              "... 100 more bytes not shown\n",
              dump.substr(dump.size() - 79 - 29));

    std::string text;
    for (int i = 0; i < 1058; ++i)   // 1058 lines of 62 bytes: past 64 KiB
        text += "A line of plain text as a long document has it, one of many.\r\n";
    HWND last = Show(text, "long.txt", 1);
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(9, ViewerFrameCount);
    for (size_t i = 0; i < frames.size(); ++i) {
        SendMessageA(frames[i], WM_CLOSE, 0, 0);
        EXPECT_FALSE(PathExists(scratch_ / (std::string(samples[i].name) + ".tmp"))) << samples[i].name;
    }
    EXPECT_TRUE(PathExists(scratch_ / "chap2.plx"));
    SendMessageA(image, WM_CLOSE, 0, 0);
    SendMessageA(big, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, ViewerFrameCount);
    // The libraries stay while a frame is open, even when the page lets go.
    UnloadViewerLibraries();
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    EXPECT_EQ(1058u * 61u, ViewerText(ViewerOf(last)).size());   // each CR LF read back as LF
    SendMessageA(last, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, ViewerFrameCount);
    // Not freed while the last frame goes away (it may be inside the
    // library's code); the next release frees them and the frame's class.
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    UnloadViewerLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleA("SCCVW.DLL"));
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(g_hInstance, kViewerFrameClass, &info));
    EXPECT_TRUE(LoadViewerLibraries());
}

TEST_F(ViewerFrameTest, PrintsTextOnHeadedPagesAndAnImageScaledToThePage)
{
    std::string token = fytest::PdfToken("vp");
    std::string text;
    char line[64];
    for (int i = 1; i <= 150; ++i) {
        snprintf(line, sizeof(line), "Line %03d of the printed version\r\n", i);
        text += line;
    }
    // A caption longer than the page is wide gives way in its folders.
    std::string folders = "C:\\" + token + std::string(120, 'f') + "\\";
    std::string pdf = PrintVersion(text, folders + token + "T.txt", token + "f");
    ASSERT_FALSE(pdf.empty());
    // Each page: its header, then the next lines in order.
    auto pages = fytest::PdfPages(pdf);
    ASSERT_EQ(3u, pages.size());
    int next = 1;
    for (size_t page = 0; page < pages.size(); ++page) {
        ExpectHeader(pages[page][0], token + "T.txt", static_cast<int>(page + 1));
        EXPECT_EQ(std::string::npos, pages[page][0].find(std::string(120, 'f'))) << pages[page][0];
        for (size_t row = 1; row < pages[page].size(); ++row, ++next) {
            snprintf(line, sizeof(line), "Line %03d of the printed version", next);
            EXPECT_EQ(line, pages[page][row]);
        }
    }
    EXPECT_EQ(151, next);

    // A 40 x 40 image, rendered back at 20 dpi: 170 mm of the A4 page's 210
    // (20 mm margins) is 134 dots, 16 dots in from the left, and as high.
    pdf = PrintVersion(QuadrantBitmap(40, 40), token + "I.bmp", token + "I");
    ASSERT_FALSE(pdf.empty());
    pages = fytest::PdfPages(pdf);
    ASSERT_EQ(1u, pages.size());
    ASSERT_EQ(1u, pages[0].size());
    ExpectHeader(pages[0][0], token + "I.bmp", 1);
    ASSERT_TRUE(fytest::RunUnix("pdftoppm -r 20 -singlefile '" + pdf + "' '" + pdf + "'"));
    std::string pixels = fytest::ReadFileText(fytest::UnixToWindows(pdf + ".ppm"));
    int width = 0, height = 0, start = 0;
    ASSERT_EQ(2, sscanf(pixels.c_str(), "P6 %d %d 255%n", &width, &height, &start));
    pixels.erase(0, start + 1);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(3 * width * height));
    // The binary PPM's pixel colours by name.
    auto colourAt = [&](int x, int y) -> std::string {
        const auto* p = reinterpret_cast<const unsigned char*>(pixels.data() + 3 * (static_cast<size_t>(y) * width + x));
        int rgb = 0;
        for (int i = 0; i < 3; ++i) {
            if (p[i] > 200)
                rgb |= 4 >> i;
            else if (p[i] >= 60)
                return "grey";
        }
        const char* const names[8] = {"black", "blue", "green", "cyan", "red", "magenta", "yellow", "white"};
        return names[rgb];
    };
    RECT image = {width, height, 0, 0};   // where the pixels are coloured
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::string colour = colourAt(x, y);
            if (colour != "white" && colour != "black" && colour != "grey")
                image = {std::min<LONG>(image.left, x), std::min<LONG>(image.top, y), std::max<LONG>(image.right, x + 1),
                         std::max<LONG>(image.bottom, y + 1)};
        }
    }
    int side = image.right - image.left;
    EXPECT_NEAR(16, image.left, 1);
    EXPECT_NEAR(134, side, 2);
    EXPECT_NEAR(side, image.bottom - image.top, 2);
    int quarter = side / 4;
    EXPECT_EQ("red", colourAt(image.left + quarter, image.top + quarter));
    EXPECT_EQ("green", colourAt(image.left + 3 * quarter, image.top + quarter));
    EXPECT_EQ("blue", colourAt(image.left + 3 * quarter, image.top + 3 * quarter));
    EXPECT_EQ("yellow", colourAt(image.left + quarter, image.top + 3 * quarter));
    DeleteFileA(fytest::UnixToWindows(pdf + ".ppm").c_str());
    for (const std::string& job : fytest::PdfJobsNamed(token))
        DeleteFileA(fytest::UnixToWindows(job).c_str());
}

TEST(ViewerTitle, LongNamesAreShortenedAndTheVersionKept)
{
    const char format[] = "Fennory (TM) View - %s - %s - Version %d";
    char title[460];
    // 199 + 259 characters do not fit 460 bytes with the rest: the name is cut.
    std::string type(199, 't');
    ComposeViewerTitle(title, sizeof(title), format, type.c_str(), std::string(259, 'n').c_str(), 12);
    std::string composed = title;
    EXPECT_EQ(459u, composed.size());
    EXPECT_EQ("Fennory (TM) View - " + type + " - ", composed.substr(0, 23 + 199));
    EXPECT_EQ("... - Version 12", composed.substr(composed.size() - 16));
}

}  // namespace
