// The whole product through the real shell: FennorySetup.exe installs it, the
// installed fy.exe saves versions, the shell's own Properties shows them in
// our tab, and the uninstaller takes the product away again. The shell part
// runs in a child process, so that the uninstaller can remove FENNORY.DLL.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "run_program.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

using namespace fytest;

namespace {

const std::string kFolder = "C:\\Fennory Shell Test";
const std::string kFiles = "C:\\Fennory Shell Test Files";
const std::string kDocument = kFiles + "\\budget.txt";

TEST(ShellEndToEnd, InstallSaveShowHistoryTabAndUninstall)
{
    SettingsScope settings;
    RemoveTree(kFolder);
    RemoveTree(kFiles);
    ASSERT_EQ(RunProgram("\"" + BesideTestProgram("FennorySetup.exe") + "\" /S /D=" + kFolder, 120000).code, 0u);
    const std::string fy = kFolder + "\\fy.exe";
    ASSERT_TRUE(PathExists(fy));

    // A document with three versions, saved with the installed command line.
    CreateDirectoryA(kFiles.c_str(), nullptr);
    const char* comments[] = {"first", "Figures for March", "Figures for April"};
    for (int i = 0; i < 3; ++i) {
        WriteFileText(kDocument, "Budget, revision " + std::string(i + 1, 'I') + "\r\n");
        ProgramResult saved = RunProgram("\"" + fy + "\" save \"" + kDocument + "\" -m \"" + comments[i] + "\"");
        EXPECT_EQ(saved.code, 0u) << saved.err;
    }

    // The shell's Properties command in a process of its own.
    ProgramResult shell =
        RunProgram("\"" + BesideTestProgram("shell_e2e_tests.exe") + "\" --gtest_filter=ShellChild.Properties", 120000);
    EXPECT_EQ(shell.code, 0u) << shell.out << shell.err;
    EXPECT_NE(shell.out.find("tabs: General|Fennory (TM)"), std::string::npos) << shell.out;
    EXPECT_NE(shell.out.find("rows: 3:Figures for April|2:Figures for March|1:"), std::string::npos) << shell.out;

    const std::string uninstaller = kFolder + "\\uninstall.exe";
    EXPECT_EQ(RunProgram("\"" + uninstaller + "\" /S /RemoveSettings", 120000).code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return !PathExists(uninstaller); }, 60000));
    EXPECT_FALSE(PathExists(kFolder + "\\FENNORY.DLL"));
    EXPECT_EQ(FilesIn(kFiles).size(), 2u) << "the document and its archive stay";
    RemoveTree(kFolder);
    RemoveTree(kFiles);
}

// Reads the sheet's tab names and our tab's rows (number:comment) while the
// Properties command holds the test thread in the sheet's modal loop.
void DriveSheet(std::string* tabNames, std::string* rows)
{
    HWND sheet = WaitForWindow("#32770", nullptr, 20000);
    if (!sheet)
        return;
    HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    const int count = TabCtrl_GetItemCount(tabs);
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        TCITEMA item = {TCIF_TEXT};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        *tabNames += (i ? "|" : "") + std::string(text);
    }
    // Ours is the last tab.
    PropSheet_SetCurSel(sheet, nullptr, count - 1);
    HWND list = GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), 1026);
    WaitUntil([&] { return ListView_GetItemCount(list) > 0; });
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char number[16] = "", comment[160] = "";
        ListView_GetItemText(list, row, 1, number, sizeof(number));
        ListView_GetItemText(list, row, 4, comment, sizeof(comment));
        *rows += (row ? "|" : "") + std::string(number) + ":" + comment;
    }
    PressButton(sheet, IDCANCEL);
}

// The child's part: the shell's own code opens the document's Properties.
TEST(ShellChild, Properties)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, kDocument.c_str(), -1, wide, MAX_PATH);
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHParseDisplayName(wide, nullptr, &pidl, 0, nullptr), S_OK);
    IShellFolder* parent = nullptr;
    PCUITEMID_CHILD child = nullptr;
    ASSERT_EQ(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child), S_OK);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(parent->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu)),
              S_OK);

    std::string tabs, rows;
    std::thread driver(DriveSheet, &tabs, &rows);
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFO invoke = {sizeof(invoke)};
    invoke.lpVerb = "properties";
    invoke.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(menu->InvokeCommand(&invoke), S_OK);
    driver.join();
    DestroyMenu(popup);
    printf("tabs: %s\nrows: %s\n", tabs.c_str(), rows.c_str());
    fflush(stdout);
    menu->Release();
    parent->Release();
    CoTaskMemFree(pidl);
}

}  // namespace
