// The five exports as another program calls them (FENNORY.DLL loaded with
// LoadLibrary), and the trace lines a debugger reads from the module.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_file.h"
#include "command_driver.h"
#include "control_panel.h"
#include "shell_fixture.h"

namespace fytest {
namespace {

struct Info {
    int32_t archiveExists;
    int32_t versionCount;
};

class ExportsTest : public ShellTest {
protected:
    template <class F>
    F Export(const char* name, WORD ordinal)
    {
        FARPROC byName = GetProcAddress(module_.Handle(), name);
        EXPECT_NE(byName, nullptr) << name;
        EXPECT_EQ(byName, GetProcAddress(module_.Handle(), MAKEINTRESOURCEA(ordinal))) << name;
        return reinterpret_cast<F>(byName);
    }

    // The version list's columns get their widths from the settings.
    void SetUp() override
    {
        ShellTest::SetUp();
        const DWORD widths[] = {44, 30, 120, 60, 110};
        for (int i = 0; i < 5; ++i)
            settings_.SetDword(("HistoryField_" + std::to_string(i + 1)).c_str(), widths[i]);
    }

    Info InfoOf(const std::string& path)
    {
        Info info = {-7, -7};
        info_(path.c_str(), &info);
        return info;
    }

    using Archive = void(WINAPI*)(HWND, const char*);
    using InfoFunction = void(WINAPI*)(const char*, Info*);
    using RetrieveEx = int(WINAPI*)(HWND, const char*, const char*);
    Archive archive_ = Export<Archive>("FYArchive", 4);
    void(WINAPI* controlPanel_)() = Export<void(WINAPI*)()>("FYControlPanel", 5);
    InfoFunction info_ = Export<InfoFunction>("FYInfo", 6);
    Archive retrieve_ = Export<Archive>("FYRetrieve", 7);
    RetrieveEx retrieveEx_ = Export<RetrieveEx>("FYRetrieveEx", 8);
};

TEST_F(ExportsTest, EveryExportHasItsOrdinal)
{
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "FYArchive", "FYControlPanel", "FYInfo",
                           "FYRetrieve", "FYRetrieveEx", "MyClose", "MyGetInfo", "MyRead", "MySeek", "MyTell"};
    for (WORD ordinal = 2; ordinal <= 13; ++ordinal)
        Export<FARPROC>(names[ordinal - 2], ordinal);
}

TEST_F(ExportsTest, InfoTellsArchiveAndCount)
{
    std::string three = FileWithArchive("three.txt", 3);
    std::string damaged = MakeFile("damaged.txt", "damaged");
    WriteFileText(scratch_ / ArchiveFile(damaged.c_str()).archiveName, "not an archive");
    Info info = InfoOf(three);
    EXPECT_EQ(info.archiveExists, 1);
    EXPECT_EQ(info.versionCount, 3);
    info = InfoOf(MakeFile("plain.txt", "plain"));
    EXPECT_EQ(info.archiveExists, 0);
    EXPECT_EQ(info.versionCount, -1);
    info = InfoOf(damaged);
    EXPECT_EQ(info.archiveExists, 1);
    EXPECT_EQ(info.versionCount, -1);
    info = InfoOf(scratch_.Path() + "\\" + std::string(300, 'x'));
    EXPECT_EQ(info.archiveExists, 0);
    EXPECT_EQ(info.versionCount, -1);
    info_(nullptr, &info);
    EXPECT_EQ(info.versionCount, -1);
    info_(three.c_str(), nullptr);
}

TEST_F(ExportsTest, ArchiveSavesOneFileOrSaysWhyNot)
{
    std::string kept = FileWithArchive("kept.txt", 2);
    std::string empty = MakeFile("empty.txt", "");
    std::string plain = MakeFile("plain.txt", "plain");
    std::string tooLong = scratch_.Path() + "\\" + std::string(260, 'x');
    {
        MessageBoxAnswerer answerer({IDOK, IDOK, IDOK, IDOK});
        archive_(nullptr, kept.c_str());
        archive_(nullptr, empty.c_str());
        archive_(nullptr, tooLong.c_str());
        archive_(nullptr, (scratch_ / "gone.txt").c_str());
        archive_(nullptr, nullptr);
        const std::vector<BoxRecord>& boxes = answerer.Boxes();
        ASSERT_EQ(boxes.size(), 4u);
        EXPECT_EQ(boxes[0].text, "kept.txt\nWorking file is not newer than latest version.");
        EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
        EXPECT_EQ(boxes[1].text, "empty.txt is a zero length file.");
        EXPECT_EQ(boxes[2].text, "Error!  The file's full path is longer than 259 characters.  "
                                 "Fennory can't keep versions of it.");
        EXPECT_EQ(boxes[3].text, "Error!  " + scratch_ / "gone.txt" + " can't be found.");
    }
    {
        DialogDriver driver("New Version - plain.txt", IDCANCEL);
        archive_(nullptr, plain.c_str());
    }
    EXPECT_EQ(InfoOf(plain).archiveExists, 0);

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
    EXPECT_EQ(InfoOf(kept).versionCount, 3);
}

TEST_F(ExportsTest, RetrieveShowsOneSheetAndRetrieveExAnswersCancel)
{
    std::string kept = FileWithArchive("kept.txt", 2);
    {
        DialogDriver driver("Version History - kept.txt", [&](HWND sheet) {
            std::thread second([&] { retrieve_(nullptr, kept.c_str()); });
            second.join();   // came back at once: the open sheet was brought forward
            PressButton(sheet, IDCANCEL);
        });
        retrieve_(nullptr, kept.c_str());
    }
    {
        DialogDriver driver("Retrieve Version", IDCANCEL);
        EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), nullptr), 2);
    }
    MessageBoxAnswerer answerer({IDOK, IDOK, IDOK});
    const std::string tooLong = scratch_.Path() + "\\" + std::string(260, 'x');
    EXPECT_EQ(retrieveEx_(nullptr, tooLong.c_str(), nullptr), -1);
    EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), std::string(270, 'y').c_str()), -1);
    retrieve_(nullptr, tooLong.c_str());
    EXPECT_EQ(answerer.Boxes().size(), 3u);
    EXPECT_EQ(retrieveEx_(nullptr, nullptr, nullptr), -1);
    retrieve_(nullptr, nullptr);
}

// Clicks a row of a list view as the mouse does, beside its check box.
void ClickRow(HWND list, int row)
{
    RECT rect = {LVIR_BOUNDS};
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    LPARAM point = MAKELPARAM(rect.left + 44 + 15, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

// The list follows the archive while the dialog is open: a version saved
// meanwhile appears, and is the one retrieved.
TEST_F(ExportsTest, RetrieveVersionFollowsTheArchiveAndWritesThePickedVersion)
{
    std::string kept = FileWithArchive("kept.txt", 2);
    std::string out = scratch_ / "out.txt";
    bool sawThird = false;
    DialogDriver driver("Retrieve Version", [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 1038);
        EXPECT_TRUE(WaitUntil([&] { return ListView_GetItemCount(list) == 2; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1041)));
        WriteFileText(kept, "version 3");
        ArchiveFile archive(kept.c_str());
        EXPECT_EQ(archive.AddVersion("third", 0), 1);
        sawThird = WaitUntil([&] { return ListView_GetItemCount(list) == 3; }, 5000);
        ClickRow(list, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, 1041)) != FALSE; }));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1040)));
        PressButton(dialog, 1041);
    });
    EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), out.c_str()), 1);
    driver.Join();
    EXPECT_TRUE(sawThird);
    EXPECT_EQ(ReadFileText(out), "version 3");
}

// A viewer window opened from the dialog outlives it and keeps the module.
TEST_F(ExportsTest, OpenViewerWindowKeepsTheModuleLoaded)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe, strrchr(exe, '\\'));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);

    std::string kept = FileWithArchive("kept.txt", 2);
    {
        DialogDriver driver("Retrieve Version", [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, 1038);
            EXPECT_TRUE(WaitUntil([&] { return ListView_GetItemCount(list) == 2; }));
            ClickRow(list, 1);
            EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, 1039)) != FALSE; }));
            PressButton(dialog, 1039);
            EXPECT_TRUE(WaitUntil([] { return FindWindowA("FENNORY_VIEWWND", nullptr) != nullptr; }));
            PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(retrieveEx_(nullptr, kept.c_str(), nullptr), 2);
    }
    HWND frame = FindWindowA("FENNORY_VIEWWND", nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    SendMessageA(frame, WM_CLOSE, 0, 0);
    PumpMessages(100);
    EXPECT_FALSE(IsWindow(frame));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories");
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

// The Windows folder of Wine has no RunDLL32: the system folder's copy opens
// the applet.
TEST_F(ExportsTest, ControlPanelOpensTheAppletThroughRunDll32)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string applet = std::string(exe, strrchr(exe, '\\')) + "\\fy_test_applet.dll";
    const std::string installed = "C:\\windows\\system32\\fenncpl.cpl";
    ASSERT_TRUE(CopyFileA(applet.c_str(), installed.c_str(), FALSE));
    std::string log = scratch_ / "applet.log";
    SetEnvironmentVariableA("FY_APPLET_LOG", log.c_str());
    controlPanel_();
    EXPECT_TRUE(WaitUntil([&] { return PathExists(log) && !ReadFileText(log).empty(); }, 30000));
    EXPECT_EQ(ReadFileText(log),
              "C:\\windows\\system32\\RunDLL32 shell32.dll,Control_RunDLL C:\\windows\\system32\\fenncpl.cpl");
    SetEnvironmentVariableA("FY_APPLET_LOG", nullptr);
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(installed.c_str()) != FALSE; }, 30000));
}

// The test acts as the debugger of a program that walks every COM entry once.
TEST(TraceLines, OneLinePerComEntry)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string child = std::string(exe, strrchr(exe, '\\')) + "\\shell_trace_child.exe";
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(child.c_str(), nullptr, nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                               nullptr, &startup, &process));
    std::vector<std::string> lines;
    const DWORD start = GetTickCount();
    bool exited = false;
    while (!exited && GetTickCount() - start < 60000) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, 1000))
            continue;
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
            const OUTPUT_DEBUG_STRING_INFO& text = event.u.DebugString;
            std::string line(text.nDebugStringLength, '\0');
            SIZE_T read = 0;
            ReadProcessMemory(process.hProcess, text.lpDebugStringData, &line[0], line.size(), &read);
            line.resize(read > 0 && line[read - 1] == '\0' ? read - 1 : read);
            lines.push_back(line);
        } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
        } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(event.u.LoadDll.hFile);
        } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            exited = true;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId,
                           event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
    }
    if (!exited)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(exited);
    const std::vector<std::string> expected = {
        "In DLLMain, DLL_PROCESS_ATTACH\r\n",
        "In DllGetClassObject\r\n",
        "CShellExtClassFactory::CShellExtClassFactory()\r\n",
        "CShellExtClassFactory::QueryInterface()\r\n",
        "CShellExtClassFactory::CreateInstance()\r\n",
        "CShellExt::CShellExt()\r\n",
        "CShellExt::QueryInterface()==>IID_IShellExtInit\r\n",
        "CShellExt::AddRef()\r\n",
        "CShellExtClassFactory::LockServer()\r\n",
        "CShellExt::Initialize()\r\n",
        "CShellExt::QueryInterface()==>IID_IContextMenu\r\n",
        "CShellExt::AddRef()\r\n",
        "CShellExt::QueryContextMenu()\r\n",
        "CShellExt::GetCommandString()\r\n",
        "CShellExt::InvokeCommand()\r\n",
        "CShellExt::QueryInterface()==>Unknown Interface!\r\n",
        "CShellExt::QueryInterface()==>ICopyHook\r\n",
        "CShellExt::AddRef()\r\n",
        "CShellExt::CopyCallback\r\n",
        "CShellExt::Release()\r\n",
        "CShellExt::QueryInterface()==>IShellPropSheetExt\r\n",
        "CShellExt::AddRef()\r\n",
        "CShellExt::ReplacePage()\r\n",
        "CShellExt::Release()\r\n",
        "CShellExt::Release()\r\n",
        "CShellExt::Release()\r\n",
        "In DLLCanUnloadNow\r\n",
        "In DLLMain, DLL_PROCESS_DETACH\r\n",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace fytest
