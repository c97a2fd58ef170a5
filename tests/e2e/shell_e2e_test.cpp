// The whole product through the real shell: FennorySetup.exe installs it, the
// installed fy.exe saves versions of a document, the shell's own Properties
// command shows the History tab among its tabs with those versions, and the
// uninstaller takes the product away again.
//
// The shell part runs in a child process (this program again, running its
// disabled test): the shell keeps the extension loaded for the life of the
// process, and the uninstaller must be able to remove FENNORY.DLL after it.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "command_driver.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace {

const char kFolder[] = "C:\\Fennory Shell Test";
const char kFiles[] = "C:\\Fennory Shell Test Files";

std::string ProgramPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, length);
}

std::string ProgramFolder()
{
    std::string path = ProgramPath();
    return path.substr(0, path.rfind('\\'));
}

// Runs a command line, two minutes at most; its exit code and its output.
DWORD RunProgram(const std::string& commandLine, std::string* output = nullptr)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return 0xFFFFFFFF;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write;
    startup.hStdError = write;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    CloseHandle(write);
    std::string text;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            text.append(buffer, got);
    });
    DWORD code = 0xFFFFFFFF;
    if (started) {
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    reader.join();
    CloseHandle(read);
    if (output)
        *output = text;
    return code;
}

void DateFile(const std::string& path, int minutes)
{
    SYSTEMTIME start = {2026, 4, 0, 6, 9, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&start, &time);
    ULARGE_INTEGER t = {{time.dwLowDateTime, time.dwHighDateTime}};
    t.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000;
    time = {t.LowPart, t.HighPart};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

TEST(ShellEndToEnd, InstallSaveShowHistoryTabAndUninstall)
{
    fytest::SettingsScope settings;
    fytest::RemoveTree(kFolder);
    fytest::RemoveTree(kFiles);
    ASSERT_EQ(RunProgram("\"" + ProgramFolder() + "\\FennorySetup.exe\" /S /D=" + kFolder), 0u);
    const std::string fy = std::string(kFolder) + "\\fy.exe";
    ASSERT_TRUE(fytest::PathExists(fy));

    // A document with three versions, saved with the installed command line.
    CreateDirectoryA(kFiles, nullptr);
    const std::string document = std::string(kFiles) + "\\budget.txt";
    const char* comments[] = {"first", "Figures for March", "Figures for April"};
    for (int i = 0; i < 3; ++i) {
        fytest::WriteFileText(document, "Budget, revision " + std::to_string(i + 1) + "\r\n");
        DateFile(document, i + 1);
        std::string output;
        EXPECT_EQ(RunProgram("\"" + fy + "\" save \"" + document + "\" -m \"" + comments[i] + "\"", &output), 0u)
            << output;
    }

    // The shell's Properties command in a process of its own.
    std::string output;
    DWORD code = RunProgram("\"" + ProgramPath() +
                                "\" --gtest_filter=ShellChild.Properties",
                            &output);
    EXPECT_EQ(code, 0u) << output;
    EXPECT_NE(output.find("tabs: General|Fennory (TM)"), std::string::npos) << output;
    EXPECT_NE(output.find("rows: 3:Figures for April|2:Figures for March|1:"), std::string::npos) << output;

    std::string uninstaller = std::string(kFolder) + "\\uninstall.exe";
    EXPECT_EQ(RunProgram("\"" + uninstaller + "\" /S /RemoveSettings"), 0u);
    EXPECT_TRUE(fytest::WaitUntil([&] { return !fytest::PathExists(uninstaller); }, 60000));
    EXPECT_FALSE(fytest::PathExists(std::string(kFolder) + "\\FENNORY.DLL"));
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    // The document and its archive stay.
    EXPECT_TRUE(fytest::PathExists(document));
    std::string archive = std::string(kFiles) + "\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((archive + "*.fy").c_str(), &found);
    EXPECT_NE(search, INVALID_HANDLE_VALUE) << "the archive went with the product";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    fytest::RemoveTree(kFolder);
    fytest::RemoveTree(kFiles);
}

struct Seen {
    std::string tabs;
    std::string rows;
};

// A visible property sheet of this process.
BOOL CALLBACK FindSheet(HWND window, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = "";
    GetClassNameA(window, name, sizeof(name));
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && strcmp(name, "#32770") == 0 &&
        FindWindowExA(window, nullptr, "SysTabControl32", nullptr)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// Works the sheet from a second thread while the shell's Properties command
// holds the test thread in the sheet's modal loop.
void DriveSheet(Seen* seen)
{
    HWND sheet = nullptr;
    fytest::WaitUntil([&] {
        EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&sheet));
        return sheet != nullptr;
    }, 20000);
    if (!sheet)
        return;
    HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    int history = -1;
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        seen->tabs += (i ? "|" : "") + std::string(text);
        if (strstr(text, "Fennory"))
            history = i;
    }
    if (history >= 0) {
        SendMessageA(sheet, PSM_SETCURSEL, history, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND list = page ? GetDlgItem(page, 1026) : nullptr;
        fytest::WaitUntil([&] { return list && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 10000);
        int rows = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
        for (int row = 0; row < rows; ++row) {
            std::string cells;
            for (int column : {1, 4}) {
                char text[160] = "";
                LVITEMA item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof(text);
                SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
                cells += column == 1 ? std::string(text) + ":" : std::string(text);
            }
            seen->rows += (row ? "|" : "") + cells;
        }
    }
    fytest::PressButton(sheet, IDCANCEL);
}

// The child's part: the shell's own code opens the document's Properties.
TEST(ShellChild, Properties)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::string document = std::string(kFiles) + "\\budget.txt";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, document.c_str(), -1, wide, MAX_PATH);
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHParseDisplayName(wide, nullptr, &pidl, 0, nullptr), S_OK);
    IShellFolder* parent = nullptr;
    PCUITEMID_CHILD child = nullptr;
    ASSERT_EQ(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child), S_OK);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(parent->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu)),
              S_OK);

    Seen seen;
    std::thread driver(DriveSheet, &seen);
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = "properties";
    invoke.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(menu->InvokeCommand(&invoke), S_OK);
    driver.join();
    DestroyMenu(popup);
    printf("tabs: %s\nrows: %s\n", seen.tabs.c_str(), seen.rows.c_str());
    fflush(stdout);
    menu->Release();
    parent->Release();
    CoTaskMemFree(pidl);
    EXPECT_NE(seen.tabs.find("Fennory"), std::string::npos);
    EXPECT_FALSE(seen.rows.empty());
}

}  // namespace
