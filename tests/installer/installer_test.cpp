// FennorySetup.exe under Wine: a silent install, the files and keys it leaves, the installed product
// through the shell's own Properties, and the uninstaller.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

#include "run_program.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"
#include "win/handle.h"

using namespace fytest;

namespace {

const std::string kClsid = "{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}";
const std::string kFolder = "C:\\Fennory Test Install";
const std::string kFiles = "C:\\Fennory Test Install Files";
const std::string kDocument = kFiles + "\\budget.txt";

bool KeyExists(HKEY root, const std::string& key)
{
    win::RegKey opened;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

std::string ProductNameOf(const std::string& file)
{
    std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), nullptr) + 1);
    char* value = nullptr;
    UINT length = 0;
    GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data());
    VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&value), &length);
    return value ? value : "";
}

class InstallerTest : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveTree(kFolder);
        RemoveTree(kFiles);
    }
    void TearDown() override { SetUp(); }

    void Install()
    {
        ASSERT_EQ(RunProgram("\"" + BesideTestProgram("FennorySetup.exe") + "\" /S /D=" + kFolder, 120000).code, 0u);
    }

    // The uninstaller hands over to a copy of itself: done when it has removed itself and its key.
    void Uninstall(const std::string& options)
    {
        const std::string uninstaller = kFolder + "\\uninstall.exe";
        ASSERT_EQ(RunProgram("\"" + uninstaller + "\" /S" + options, 120000).code, 0u);
        EXPECT_TRUE(WaitUntil([&] { return !PathExists(uninstaller); }, 60000));
        const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fennory";
        EXPECT_TRUE(WaitUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, key); }, 30000));
    }

    SettingsScope settings_;
};

// An install without settings writes every file and key; the installed fy.exe saves versions that the
// shell's Properties shows in our tab; an uninstall keeps the settings unless told, a second install
// keeps the user's choices, and an archive in the installation folder outlives it all.
TEST_F(InstallerTest, InstallsEverythingShowsTheHistoryTabAndUninstallsAllButTheArchives)
{
    SettingsScope::RemoveKey();
    Install();
    const std::string applet = "C:\\windows\\system32\\fenncpl.cpl";
    const std::vector<std::string> files = {kFolder + "\\FENNORY.DLL", kFolder + "\\FENN232.DLL",
                                            kFolder + "\\fennory.hlp", kFolder + "\\fy.exe", kFolder + "\\Viewer",
                                            kFolder + "\\uninstall.exe", applet};
    for (const std::string& file : files)
        EXPECT_TRUE(PathExists(file)) << file;
    EXPECT_EQ(ProductNameOf(kFolder + "\\FENNORY.DLL"), "Fennory");
    EXPECT_EQ(ProductNameOf(applet), "Fennory");

    const std::string clsid = "CLSID\\" + kClsid;
    const struct {
        HKEY root;
        std::string key;
        const char* name;
        std::string value;
    } values[] = {
        {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr, kFolder + "\\FENNORY.DLL"},
        {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\CopyHookHandlers\\Fennory", nullptr, kClsid},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
         kClsid.c_str(), "Fennory"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories", nullptr, kFolder + "\\Viewer"},
        {HKEY_LOCAL_MACHINE, kSettingsKey, "EnableVersionControl", "1"},
        {HKEY_LOCAL_MACHINE, kSettingsKey, "HelpPath", kFolder},
        {HKEY_LOCAL_MACHINE, kSettingsKey, "HistoryField_5", "95"},
    };
    for (const auto& v : values)
        EXPECT_EQ(RegistryText(v.root, v.key, v.name), v.value) << v.key << " " << (v.name ? v.name : "");

    // A document with three versions saved by the installed command line, then the shell's Properties
    // command in a process of its own (so that the uninstaller can remove FENNORY.DLL).
    CreateDirectoryA(kFiles.c_str(), nullptr);
    const char* comments[] = {"first", "Figures for March", "Figures for April"};
    for (int i = 0; i < 3; ++i) {
        WriteFileText(kDocument, "Budget, revision " + std::string(i + 1, 'I') + "\r\n");
        ProgramResult saved =
            RunProgram("\"" + kFolder + "\\fy.exe\" save \"" + kDocument + "\" -m \"" + comments[i] + "\"");
        EXPECT_EQ(saved.code, 0u) << saved.err;
    }
    ProgramResult shell =
        RunProgram("\"" + BesideTestProgram("installer_tests.exe") + "\" --gtest_filter=ShellChild.Properties", 120000);
    EXPECT_EQ(shell.code, 0u) << shell.out << shell.err;
    EXPECT_NE(shell.out.find("tabs: General|Fennory (TM)"), std::string::npos) << shell.out;
    EXPECT_NE(shell.out.find("rows: 3:Figures for April|2:Figures for March|1:"), std::string::npos) << shell.out;

    // A user's central versions folder under the installation folder.
    CreateDirectoryA((kFolder + "\\Versions").c_str(), nullptr);
    const std::string archive = kFolder + "\\Versions\\C$NOTES$TXT.fy";
    WriteFileText(archive, "an archive");

    // The silent answer to the uninstaller's question about the settings is No.
    Uninstall("");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "HistoryField_5"), "95");
    settings_.SetDword("EnableVersionControl", 0);
    Install();
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "EnableVersionControl"), "0");

    Uninstall(" /RemoveSettings");
    // The copy that does the work removes the vendor's key last.
    EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, "Software\\Zentrik"); }, 30000));
    for (const std::string& file : files)
        EXPECT_FALSE(PathExists(file)) << file;
    EXPECT_EQ(ReadFileText(archive), "an archive");
    for (const auto& v : values) {
        EXPECT_EQ(RegistryText(v.root, v.key, v.name), "(missing)") << v.key;
        EXPECT_TRUE(v.root != HKEY_CLASSES_ROOT || !KeyExists(v.root, v.key)) << v.key;
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
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
