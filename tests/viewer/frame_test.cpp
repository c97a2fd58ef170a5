// The viewer window: its title, what its viewer child shows, its layout,
// keyboard copy and its tear-down.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "module.h"
#include "plexa_format.h"
#include "scratch.h"
#include "ui_driver.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

using fytest::GetText;
using fytest::PathExists;
using fytest::ViewerText;
using fytest::WriteFileText;

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

    // Writes bytes to a viewing copy and shows it as version of workingName;
    // the frame's window.
    HWND Show(const std::string& bytes, const char* workingName, int version)
    {
        std::string copy = scratch_ / (std::string(workingName) + ".tmp");
        WriteFileText(copy, bytes);
        auto* frame = new ViewerFrame;
        if (!frame->ShowVersion(copy.c_str(), workingName, version))
            return nullptr;
        fytest::PumpMessages(50);
        return frame->window;
    }

    static HWND ViewerOf(HWND frame) { return FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr); }

    fytest::ViewerKeyScope key_{fytest::ProgramFolder().c_str()};
    fytest::ScratchFolder scratch_;
    std::string copiesBefore_ = fytest::ViewingCopies();
};

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

TEST_F(ViewerFrameTest, TextVersionShownLaidOutCopiedAndClosed)
{
    HWND frame = Show("first line\r\nsecond line\r\nthird line\r\n", "notes.txt", 3);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(1, ViewerFrameCount);
    EXPECT_EQ("Fennory (TM) View - ASCII Text - notes.txt - Version 3", GetText(frame));
    HWND viewer = ViewerOf(frame);
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ("first line\nsecond line\nthird line\n", ViewerText(viewer));
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
    // Ctrl+Insert and Edit, Copy copy as well.
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

    // File, Exit: the frame goes, and so do the viewing copy and the class.
    SendMessageA(frame, WM_COMMAND, 40016, 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(0, ViewerFrameCount);
    EXPECT_FALSE(PathExists(scratch_ / "notes.txt.tmp"));
    UnloadViewerLibraries();
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(g_hInstance, kViewerFrameClass, &info));
    EXPECT_TRUE(LoadViewerLibraries());
}

TEST_F(ViewerFrameTest, UnrecognisedBytesAsHexDumpAndTwoFramesAtOnce)
{
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes.push_back(static_cast<char>(i));
    HWND first = Show(bytes, "blob.bin", 2);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("Fennory (TM) View - Text - blob.bin - Version 2", GetText(first));
    EXPECT_EQ("00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  |................|\n"
              "00000010  10 11 12 13" + std::string(39, ' ') + "|....|\n",
              ViewerText(ViewerOf(first)));

    HWND second = Show("x", "x.txt", 1);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(2, ViewerFrameCount);
    SendMessageA(first, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, ViewerFrameCount);
    // The libraries stay while a frame is open, even when the page lets go.
    UnloadViewerLibraries();
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    EXPECT_EQ("x", ViewerText(ViewerOf(second)));
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, ViewerFrameCount);
    // Not freed while the last frame goes away (it may be inside the
    // library's code); the next release frees them.
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    UnloadViewerLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleA("SCCVW.DLL"));
    EXPECT_TRUE(LoadViewerLibraries());
}

TEST_F(ViewerFrameTest, TextInEachEncodingShownAsItsCharacters)
{
    const struct {
        std::string bytes;
        const char* title;
    } samples[] = {
        {std::string("\xFF\xFEG\0r\0\xFC\0\xDF\0e\0\r\0\n\0", 16), "Unicode Text - greeting.txt - Version 1"},
        {"\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\r\n", "UTF-8 Text - greeting.txt - Version 2"},   // with a mark
        {"Gr\xC3\xBC\xC3\x9F" "e\r\n", "UTF-8 Text - greeting.txt - Version 3"},               // without
        {"Gr\xFC\xDF" "e\r\n", "ASCII Text - greeting.txt - Version 4"},                       // code page 1252
    };
    int version = 1;
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.title);
        HWND frame = Show(sample.bytes, "greeting.txt", version++);
        ASSERT_NE(nullptr, frame);
        EXPECT_EQ("Fennory (TM) View - " + std::string(sample.title), GetText(frame));
        EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e\n", ViewerText(ViewerOf(frame)));
        SendMessageA(frame, WM_CLOSE, 0, 0);
    }
}

TEST_F(ViewerFrameTest, PlexaDocumentAsTextWithItsFurtherFile)
{
    // The further file is made by the tool users have.
    std::string source = scratch_ / "chap2.markup";
    WriteFileText(source, "## Two\nChapter _two_ text.\n");
    std::string line = "\"" + fytest::ProgramFolder() + "\\plexa_write.exe\" \"" + source + "\" \"" +
                       (scratch_ / "chap2.plx") + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(0u, code) << "plexa_write";

    HWND frame = Show(plexa::WriteFromMarkup("# Plan\n\nIntro *bold* words\ngo on.\n\n@include chap2.plx\n"
                                             "* last item\n"),
                      "plan.plx", 4);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ("Fennory (TM) View - Zentrik Plexa 7.0 - plan.plx - Version 4", GetText(frame));
    EXPECT_EQ("Plan\n====\nIntro bold words go on.\nTwo\n---\nChapter two text.\n  * last item\n",
              ViewerText(ViewerOf(frame)));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(PathExists(scratch_ / "plan.plx.tmp"));
    EXPECT_TRUE(PathExists(scratch_ / "chap2.plx"));
}

TEST_F(ViewerFrameTest, ImageScaledToFit)
{
    HWND frame = Show(fytest::QuadrantBitmap(40, 40), "img.bmp", 1);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ("Fennory (TM) View - Windows Bitmap - img.bmp - Version 1", GetText(frame));
    MoveWindow(frame, 0, 0, 600, 400, TRUE);
    HWND viewer = ViewerOf(frame);
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
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
    SendMessageA(frame, WM_CLOSE, 0, 0);
}

TEST_F(ViewerFrameTest, HexDumpStopsAt64KiBAndLongTextComesWhole)
{
    HWND frame = Show(std::string(64 * 1024 + 100, '\0'), "big.bin", 1);
    ASSERT_NE(nullptr, frame);
    std::string dump = ViewerText(ViewerOf(frame));
    EXPECT_EQ(4096u * 79u + 29u, dump.size());   // 4096 lines of 78 and LF, the note and its LF
    EXPECT_EQ("0000FFF0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\n"
              "... 100 more bytes not shown\n",
              dump.substr(dump.size() - 79 - 29));
    SendMessageA(frame, WM_CLOSE, 0, 0);

    std::string text;
    for (int i = 0; i < 1058; ++i)   // 1058 lines of 62 bytes: past 64 KiB
        text += "A line of plain text as a long document has it, one of many.\r\n";
    frame = Show(text, "long.txt", 1);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(1058u * 61u, ViewerText(ViewerOf(frame)).size());   // each CR LF read back as LF
    SendMessageA(frame, WM_CLOSE, 0, 0);
}

TEST(ViewerTitle, LongNamesAreShortenedAndTheVersionKept)
{
    const char format[] = "Fennory (TM) View - %s - %s - Version %d";
    char title[460];
    ComposeViewerTitle(title, sizeof(title), format, "Text", "notes.txt", 3);
    EXPECT_STREQ("Fennory (TM) View - Text - notes.txt - Version 3", title);

    // 199 + 259 characters do not fit 460 bytes with the rest: the name is cut.
    std::string type(199, 't');
    ComposeViewerTitle(title, sizeof(title), format, type.c_str(), std::string(259, 'n').c_str(), 12);
    std::string composed = title;
    EXPECT_EQ(459u, composed.size());
    EXPECT_EQ("Fennory (TM) View - " + type + " - ", composed.substr(0, 23 + 199));
    EXPECT_EQ("... - Version 12", composed.substr(composed.size() - 16));
}

}  // namespace
