// The five exports as another program calls them (FENNORY.DLL loaded with LoadLibrary).
#include "shell_harness.h"

#include <commctrl.h>

#include "control_panel.h"
#include "exports.h"
#include "viewer_fixture.h"

namespace fytest {
namespace {

class ExportsTest : public ShellTest {
protected:
    template <class F>
    F Export(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_.handle, name)));
    }

    // What FYInfo tells of path: whether an archive exists, and its version count.
    std::pair<int, int> InfoOf(const char* path)
    {
        VersionInfo info = {-7, -7};
        info_(path, &info);
        return {info.archiveExists, info.versionCount};
    }

    decltype(&FYArchive) archive_ = Export<decltype(&FYArchive)>("FYArchive");
    decltype(&FYControlPanel) controlPanel_ = Export<decltype(&FYControlPanel)>("FYControlPanel");
    decltype(&FYInfo) info_ = Export<decltype(&FYInfo)>("FYInfo");
    decltype(&FYRetrieve) retrieve_ = Export<decltype(&FYRetrieve)>("FYRetrieve");
    decltype(&FYRetrieveEx) retrieveEx_ = Export<decltype(&FYRetrieveEx)>("FYRetrieveEx");
};

// Info tells whether there is an archive and its count; Archive saves one file or says why not; ControlPanel
// opens the applet.
TEST_F(ExportsTest, InfoArchiveAndControlPanel)
{
    WriteFileText("S:\\S$$DAMAGED$TXT.fy", "not an archive");
    EXPECT_EQ(InfoOf(FileWithArchive("three.txt", 3).c_str()), std::make_pair(1, 3));
    EXPECT_EQ(InfoOf(MakeFile("plain.txt", "plain").c_str()), std::make_pair(0, -1));
    EXPECT_EQ(InfoOf(MakeFile("damaged.txt", "damaged").c_str()), std::make_pair(1, -1));
    EXPECT_EQ(InfoOf(("S:\\" + std::string(257, 'x')).c_str()), std::make_pair(0, -1));
    EXPECT_EQ(InfoOf(nullptr), std::make_pair(0, -1));
    info_("S:\\three.txt", nullptr);

    const std::string kept = FileWithArchive("kept.txt", 2);
    {
        MessageBoxAnswerer answerer({IDOK, IDOK, IDOK, IDOK});
        archive_(nullptr, kept.c_str());
        archive_(nullptr, MakeFile("empty.txt", "").c_str());
        archive_(nullptr, ("S:\\" + std::string(257, 'x')).c_str());
        archive_(nullptr, "S:\\gone.txt");
        archive_(nullptr, nullptr);
        const std::vector<BoxRecord>& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 4u);
        ExpectBox(boxes[0], "kept.txt\nWorking file is not newer than latest version.", {IDOK}, BoxIcon::Stop);
        EXPECT_EQ(boxes[1].text, "empty.txt is a zero length file.");
        EXPECT_EQ(boxes[2].text, "Error!  The file's full path is longer than 259 characters.  "
                                 "Fennory can't keep versions of it.");
        EXPECT_EQ(boxes[3].text, "Error!  S:\\gone.txt can't be found.");
    }
    WriteFileText(kept, "third");
    std::string comment;
    {
        DialogDriver driver("Version Properties - kept.txt", [&](HWND dialog) {
            comment = GetControlText(dialog, 1004);
            PressButton(dialog, IDOK);
        });
        archive_(nullptr, kept.c_str());
    }
    EXPECT_EQ(comment, "Version 2");
    EXPECT_EQ(InfoOf(kept.c_str()).second, 3);

    // Wine's Windows folder has no RunDLL32: the system folder's opens the applet, in a process of its own.
    const std::string installed = "C:\\windows\\system32\\fenncpl.cpl";
    ASSERT_TRUE(CopyFileA(BesideTestProgram("fenncpl.cpl").c_str(), installed.c_str(), FALSE));
    controlPanel_();
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (dialog = FindWindowA("#32770", "Fennory Settings")) != nullptr; }, 30000));
    if (dialog)
        PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(installed.c_str()) != FALSE; }, 30000));
}

// Clicks a row of the version list as the mouse does, beside its check box.
void ClickRow(HWND list, int row)
{
    RECT rect;
    ListView_GetItemRect(list, row, &rect, LVIR_BOUNDS);
    LPARAM point = MAKELPARAM(rect.left + 44 + 15, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

// Retrieve shows one sheet; RetrieveEx answers Cancel and refuses bad paths; its dialog follows the
// archive, and a viewer window opened from it outlives it and keeps the module.
TEST_F(ExportsTest, RetrieveShowsOneSheetAndRetrieveExFollowsTheArchiveAndItsViewerKeepsTheModule)
{
    ViewerKeyScope viewers(ProgramFolder().c_str());
    settings_.SetDword("HistoryField_1", 44);   // the list's column widths: ClickRow's click lands in
    settings_.SetDword("HistoryField_2", 30);   // the second column
    const std::string kept = FileWithArchive("kept.txt", 2);
    {
        DialogDriver driver("Version History - kept.txt", [&](HWND sheet) {
            // Comes back at once: the open sheet is brought forward.
            std::thread([&] { retrieve_(nullptr, kept.c_str()); }).join();
            PressButton(sheet, IDCANCEL);
        });
        retrieve_(nullptr, kept.c_str());
    }
    {
        DialogDriver driver("Retrieve Version", IDCANCEL);
        EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), nullptr), 2);
    }
    MessageBoxAnswerer answerer({IDOK, IDOK, IDOK});
    const std::string tooLong = "S:\\" + std::string(257, 'x');
    EXPECT_EQ(retrieveEx_(nullptr, tooLong.c_str(), nullptr), -1);
    EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), std::string(270, 'y').c_str()), -1);
    retrieve_(nullptr, tooLong.c_str());
    EXPECT_EQ(answerer.Boxes().size(), 3u);
    EXPECT_EQ(retrieveEx_(nullptr, nullptr, nullptr), -1);
    retrieve_(nullptr, nullptr);

    // A version saved while the dialog is open appears in its list and is the one retrieved.
    bool sawThird = false;
    DialogDriver driver("Retrieve Version", [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 1038);
        EXPECT_TRUE(WaitUntil([&] { return ListView_GetItemCount(list) == 2; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1041)));
        WriteFileText(kept, "version 3");
        EXPECT_EQ(ArchiveFile(kept.c_str()).AddVersion("third", 0), 1);
        sawThird = WaitUntil([&] { return ListView_GetItemCount(list) == 3; }, 5000);
        ClickRow(list, 1);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, 1039)) != FALSE; }));
        PressButton(dialog, 1039);
        EXPECT_TRUE(WaitUntil([] { return FindWindowA("FENNORY_VIEWWND", nullptr) != nullptr; }));
        ClickRow(list, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, 1041)) != FALSE; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1040)));
        PressButton(dialog, 1041);
    });
    EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), "S:\\out.txt"), 1);
    driver.Join();
    EXPECT_TRUE(sawThird);
    EXPECT_EQ(ReadFileText("S:\\out.txt"), "version 3");
    HWND frame = FindWindowA("FENNORY_VIEWWND", nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(frame); }));
}

TEST(ControlPanelCommand, FitsOrIsRefused)
{
    char command[kControlPanelCommandSize];
    ASSERT_TRUE(BuildControlPanelCommand(command, sizeof(command), "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM",
                                         "fenncpl.cpl"));
    EXPECT_STREQ(command, "C:\\WINDOWS\\RunDLL32 shell32.dll,Control_RunDLL C:\\WINDOWS\\SYSTEM\\fenncpl.cpl");
    const std::string longest(259, 'f');
    EXPECT_TRUE(BuildControlPanelCommand(command, sizeof(command), longest.c_str(), longest.c_str(),
                                         longest.c_str()));
    char small[260];
    EXPECT_FALSE(BuildControlPanelCommand(small, sizeof(small), longest.c_str(), "C:\\W", "fenncpl.cpl"));
    EXPECT_STREQ(small, "");
}

}  // namespace
}  // namespace fytest
