// The viewer window: its title, what its viewer child shows, its layout,
// keyboard copy and its tear-down.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "module.h"
#include "plexa_format.h"
#include "scratch.h"
#include "ui_driver.h"
#include "viewer_bench.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

using fytest::ScratchFolder;

class ViewerFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadViewerLibraries());
        copiesBefore_ = fytest::ViewingCopies();
    }
    void TearDown() override
    {
        fytest::CloseStrayWindows();
        fytest::PumpMessages(50);
        EXPECT_EQ(0, ViewerFrameCount);
        UnloadViewerLibraries();
        EXPECT_EQ(copiesBefore_, fytest::ViewingCopies());
    }

    // Shows path as version of workingName; the frame's window.
    HWND Show(const std::string& path, const char* workingName, int version)
    {
        auto* frame = new ViewerFrame;
        if (!frame->ShowVersion(path.c_str(), workingName, version))
            return nullptr;
        fytest::PumpMessages(50);
        return frame->window;
    }

    static HWND ViewerOf(HWND frame) { return FindWindowExA(frame, nullptr, "SCCVIEWER", nullptr); }

    fytest::ViewerKeyScope key_{fytest::ProgramFolder().c_str()};
    ScratchFolder scratch_;
    std::string copiesBefore_;
};

// Runs the Plexa writing tool on markup and leaves the document at target.
bool RunPlexaWrite(const std::string& markup, const std::string& target)
{
    std::string source = target + ".markup";
    fytest::WriteFileText(source, markup);
    std::string line = "\"" + fytest::ProgramFolder() + "\\plexa_write.exe\" \"" + source + "\" \"" + target + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(source.c_str());
    return code == 0;
}

void PressKey(HWND control, WPARAM key, bool control_down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control_down ? 0x80 : 0;
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
    std::string copy = scratch_ / "copy1.tmp";
    fytest::WriteFileText(copy, "first line\r\nsecond line\r\nthird line\r\n");
    HWND frame = Show(copy, "notes.txt", 3);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(1, ViewerFrameCount);
    EXPECT_EQ("Fennory (TM) View - ASCII Text - notes.txt - Version 3", fytest::GetText(frame));
    HWND viewer = ViewerOf(frame);
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ("first line\nsecond line\nthird line\n", fytest::ViewerText(viewer));
    EXPECT_EQ(fytest::TextControlOf(viewer), GetFocus());

    // A 5-pixel margin all round, whatever the size.
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
    // Minimised, the child keeps its size.
    ShowWindow(frame, SW_MINIMIZE);
    RECT kept;
    GetWindowRect(viewer, &kept);
    EXPECT_EQ(child.right - child.left, kept.right - kept.left);
    ShowWindow(frame, SW_RESTORE);

    // Ctrl+C copies the selection ("second"); C alone copies nothing.
    HWND edit = fytest::TextControlOf(viewer);
    SendMessageA(edit, EM_SETSEL, 11, 17);
    EmptyTheClipboard();
    PressKey(edit, 'C', true);
    EXPECT_EQ("second", fytest::ClipboardText());
    EmptyTheClipboard();
    PressKey(edit, 'C', false);
    EXPECT_EQ("<empty>", fytest::ClipboardText());
    // Ctrl+Insert and Edit, Copy copy as well.
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
    EXPECT_FALSE(fytest::PathExists(copy));
    UnloadViewerLibraries();
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(g_hInstance, "FENNORY_VIEWWND", &info));
    EXPECT_TRUE(LoadViewerLibraries());
}

TEST_F(ViewerFrameTest, UnrecognisedBytesAsHexDumpAndTwoFramesAtOnce)
{
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes.push_back(static_cast<char>(i));
    std::string copy = scratch_ / "copy2.tmp";
    fytest::WriteBytes(copy, bytes);
    HWND first = Show(copy, "blob.bin", 2);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("Fennory (TM) View - Text - blob.bin - Version 2", fytest::GetText(first));
    EXPECT_EQ("00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  |................|\n"
              "00000010  10 11 12 13" + std::string(39, ' ') + "|....|\n",
              fytest::ViewerText(ViewerOf(first)));

    std::string other = scratch_ / "copy3.tmp";
    fytest::WriteFileText(other, "x");
    HWND second = Show(other, "x.txt", 1);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(2, ViewerFrameCount);
    SendMessageA(first, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, ViewerFrameCount);
    // The libraries stay while a frame is open, even when the page lets go.
    UnloadViewerLibraries();
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    EXPECT_EQ("x", fytest::ViewerText(ViewerOf(second)));
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, ViewerFrameCount);
    // Not freed while the last frame goes away (it may be inside the
    // library's code); the next release frees them.
    EXPECT_NE(nullptr, GetModuleHandleA("SCCVW.DLL"));
    UnloadViewerLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleA("SCCVW.DLL"));
    EXPECT_TRUE(LoadViewerLibraries());
}

TEST_F(ViewerFrameTest, PlexaDocumentAsTextWithItsFurtherFile)
{
    std::string copy = scratch_ / "copy4.tmp";
    fytest::WriteBytes(copy, plexa::WriteFromMarkup("# Plan\n\nIntro *bold* words\ngo on.\n\n@include chap2.plx\n"
                                                    "* last item\n"));
    // The further file made by the tool users have.
    ASSERT_TRUE(RunPlexaWrite("## Two\nChapter _two_ text.\n", scratch_ / "chap2.plx"));
    HWND frame = Show(copy, "plan.plx", 4);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ("Fennory (TM) View - Zentrik Plexa 7.0 - plan.plx - Version 4", fytest::GetText(frame));
    EXPECT_EQ("Plan\n====\nIntro bold words go on.\nTwo\n---\nChapter two text.\n  * last item\n",
              fytest::ViewerText(ViewerOf(frame)));
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(fytest::PathExists(copy));
    EXPECT_TRUE(fytest::PathExists(scratch_ / "chap2.plx"));
}

TEST_F(ViewerFrameTest, ImageScaledToFit)
{
    std::string copy = scratch_ / "copy5.tmp";
    fytest::WriteBytes(copy, fytest::QuadrantBitmap(40, 40));
    HWND frame = Show(copy, "img.bmp", 1);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ("Fennory (TM) View - Windows Bitmap - img.bmp - Version 1", fytest::GetText(frame));
    MoveWindow(frame, 0, 0, 600, 400, TRUE);
    HWND viewer = ViewerOf(frame);
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT client;
    GetClientRect(viewer, &client);
    // A square image in a wider box: as tall as the box, centred across.
    int side = client.bottom;
    int left = (client.right - side) / 2;
    int quarter = side / 4;
    // Painted for the new size once its messages have come; the display may
    // show it a moment later.
    fytest::PumpMessages(100);
    for (int i = 0; i < 50 && fytest::WindowPixel(viewer, left + 3 * quarter, 3 * quarter) != RGB(0, 0, 255); ++i) {
        RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        fytest::PumpMessages(100);
    }
    EXPECT_EQ(RGB(255, 0, 0), fytest::WindowPixel(viewer, left + quarter, quarter));
    EXPECT_EQ(RGB(0, 255, 0), fytest::WindowPixel(viewer, left + 3 * quarter, quarter));
    EXPECT_EQ(RGB(0, 0, 255), fytest::WindowPixel(viewer, left + 3 * quarter, 3 * quarter));
    EXPECT_EQ(RGB(255, 255, 0), fytest::WindowPixel(viewer, left + quarter, 3 * quarter));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), fytest::WindowPixel(viewer, left / 2, side / 2));   // beside the image
    SendMessageA(frame, WM_CLOSE, 0, 0);
}

TEST_F(ViewerFrameTest, HexDumpStopsAt64KiBAndLongTextComesWhole)
{
    std::string bytes(64 * 1024 + 100, '\0');
    std::string copy = scratch_ / "big.tmp";
    fytest::WriteBytes(copy, bytes);
    DWORD start = GetTickCount();
    HWND frame = Show(copy, "big.bin", 1);
    ASSERT_NE(nullptr, frame);
    printf("opening a %u-byte binary version took %lu ms\n", static_cast<unsigned>(bytes.size()),
           GetTickCount() - start);
    std::string dump = fytest::ViewerText(ViewerOf(frame));
    EXPECT_EQ(4096u * 79u + 29u, dump.size());   // 4096 lines of 78 and LF, the note and its LF
    EXPECT_EQ("0000FFF0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\n"
              "... 100 more bytes not shown\n",
              dump.substr(dump.size() - 79 - 29));
    SendMessageA(frame, WM_CLOSE, 0, 0);

    std::string text;
    while (text.size() < 64 * 1024)
        text += "A line of plain text as a long document has it, one of many.\r\n";
    copy = scratch_ / "long.tmp";
    fytest::WriteFileText(copy, text);
    start = GetTickCount();
    frame = Show(copy, "long.txt", 1);
    ASSERT_NE(nullptr, frame);
    printf("opening a %u-byte text version took %lu ms\n", static_cast<unsigned>(text.size()), GetTickCount() - start);
    EXPECT_EQ(text.size(), fytest::ViewerText(ViewerOf(frame)).size() + text.size() / 62);   // each CR LF read back as LF
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
    std::string name(259, 'n');
    ComposeViewerTitle(title, sizeof(title), format, type.c_str(), name.c_str(), 12);
    std::string composed = title;
    EXPECT_EQ(459u, composed.size());
    EXPECT_EQ("Fennory (TM) View - " + type + " - ", composed.substr(0, 23 + 199));
    EXPECT_EQ("... - Version 12", composed.substr(composed.size() - 16));
}

}  // namespace
