// The View Multiple Versions window: which version goes where, the labels,
// the layout after a resize and the viewing copies.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "archive_fixture.h"
#include "plexa_format.h"
#include "resource.h"
#include "ui_driver.h"
#include "view_multiple_dialog.h"
#include "viewer_fixture.h"
#include "viewer_libraries.h"

namespace {

const int kLabels[6] = {IDC_LEFT_VERSION, IDC_LEFT_TYPE, IDC_LEFT_DATE, IDC_RIGHT_VERSION, IDC_RIGHT_TYPE, IDC_RIGHT_DATE};

// What the window showed, read from a second thread while it ran.
struct Seen {
    bool found = false;
    std::string labels;   // the texts of kLabels, joined by '|'
    std::string leftText, rightText;
    RECT client = {}, leftPane = {}, rightPane = {}, close = {}, label[6] = {}, spacer = {};
};

std::string Show(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

RECT RectIn(HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Finds the window, reads it, resizes its client area to 615 x 400, reads
// the layout and closes it with its Close button.
void Drive(const std::string& title, Seen* seen)
{
    HWND dialog = fytest::WaitForWindow("#32770", title.c_str());
    if (!dialog)
        return;
    seen->found = true;
    for (int id : kLabels)
        seen->labels += fytest::GetControlText(dialog, id) + "|";
    HWND left = FindWindowExA(dialog, nullptr, "SCCVIEWER", nullptr);
    HWND right = left ? FindWindowExA(dialog, left, "SCCVIEWER", nullptr) : nullptr;
    seen->leftText = fytest::ViewerText(left);
    seen->rightText = fytest::ViewerText(right);

    RECT frame = {0, 0, 615, 400};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOMOVE);
    GetClientRect(dialog, &seen->client);
    seen->leftPane = RectIn(dialog, left);
    seen->rightPane = RectIn(dialog, right);
    seen->close = RectIn(dialog, GetDlgItem(dialog, IDCANCEL));
    for (int i = 0; i < 6; ++i)
        seen->label[i] = RectIn(dialog, GetDlgItem(dialog, kLabels[i]));
    seen->spacer = RectIn(dialog, GetDlgItem(dialog, IDC_SPACER_1));
    fytest::PressButton(dialog, IDCANCEL);
}

class ViewMultipleTest : public fytest::ArchiveTest {
protected:
    void SetUp() override { ASSERT_TRUE(LoadViewerLibraries()); }
    void TearDown() override
    {
        UnloadViewerLibraries();
        EXPECT_EQ(copiesBefore_, fytest::ViewingCopies());   // no viewing copy stays behind
    }

    Seen Run(ArchiveFile& archive, int a, int b)
    {
        Seen seen;
        std::thread driver(Drive, "Fennory (TM) View Multiple - " + std::string(archive.workingPath), &seen);
        ViewMultipleDialog::Run(nullptr, archive, a, b);
        driver.join();
        return seen;
    }

    std::string TimeOf(const ArchiveFile& archive, int version)
    {
        char text[100];
        EXPECT_TRUE(archive.FormatVersionTime(version, text));
        return text;
    }

    fytest::ViewerKeyScope key_{fytest::ProgramFolder().c_str()};
    std::string copiesBefore_ = fytest::ViewingCopies();
};

TEST_F(ViewMultipleTest, TwoVersionsOlderLeftThenAVersionBesideTheCurrentFile)
{
    ArchiveFile archive(MakeFile("notes.txt", "version one\r\n").c_str());
    CreateArchive(archive);
    SaveVersion(archive, "version two\r\n");
    SaveVersion(archive, "version three\r\n");
    fytest::WriteFileText(archive.workingPath, "current text\r\n");

    Seen seen = Run(archive, 3, 1);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ("Version 1|ASCII Text|" + TimeOf(archive, 1) + "|Version 3|ASCII Text|" + TimeOf(archive, 3) + "|",
              seen.labels);
    EXPECT_EQ("version one\n", seen.leftText);
    EXPECT_EQ("version three\n", seen.rightText);

    // Client 615 x 400: panes (615 - 15) / 2 = 300 wide at x 5 and 310.
    ASSERT_EQ(615, seen.client.right);
    ASSERT_EQ(400, seen.client.bottom);
    int labelHeight = seen.label[0].bottom - seen.label[0].top;
    int top = labelHeight + 10;
    int height = 400 - 20 - labelHeight - 3 * (seen.spacer.bottom - seen.spacer.top);
    EXPECT_EQ(Show(RECT{5, top, 305, top + height}), Show(seen.leftPane));
    EXPECT_EQ(Show(RECT{310, top, 610, top + height}), Show(seen.rightPane));
    const int labelX[6] = {20, 86, 206, 325, 391, 511};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(labelX[i], seen.label[i].left) << "label " << i;
        EXPECT_EQ(5, seen.label[i].top) << "label " << i;
    }
    int buttonWidth = seen.close.right - seen.close.left;
    EXPECT_EQ((610 - 2 * buttonWidth) / 2, seen.close.left);
    EXPECT_EQ(400 - 5, seen.close.bottom);

    seen = Run(archive, 0, 2);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ("Version 2|ASCII Text|" + TimeOf(archive, 2) + "|Current|ASCII Text|" + TimeOf(archive, 0) + "|",
              seen.labels);
    EXPECT_EQ("version two\n", seen.leftText);
    EXPECT_EQ("current text\n", seen.rightText);
    EXPECT_EQ("current text\r\n", fytest::ReadFileText(archive.workingPath));   // the working file stays
}

TEST_F(ViewMultipleTest, PlexaOnBothSidesAndUnrecognisedSides)
{
    ArchiveFile archive(MakeFile("plan.plx", plexa::WriteFromMarkup("# Plan A\n")).c_str());
    CreateArchive(archive);
    SaveVersion(archive, plexa::WriteFromMarkup("# Plan B\n"));
    Seen seen = Run(archive, 1, 2);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ("Version 1|Zentrik Plexa 7.0|" + TimeOf(archive, 1) + "|Version 2|Zentrik Plexa 7.0|" +
                  TimeOf(archive, 2) + "|",
              seen.labels);
    EXPECT_EQ("Plan A\n======\n", seen.leftText);
    EXPECT_EQ("Plan B\n======\n", seen.rightText);

    // Bytes nobody recognises are labelled "Text" on their side only.
    SaveVersion(archive, std::string("\x01\x02\x00\x03", 4));
    seen = Run(archive, 1, 3);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ("Version 1|Plexa Document|" + TimeOf(archive, 1) + "|Version 3|Text|" + TimeOf(archive, 3) + "|",
              seen.labels);
}

}  // namespace
