// The control-panel applet fenncpl.cpl, loaded as the Control Panel loads it
// and its dialog driven as a user fills it in.
#include <windows.h>
#include <cpl.h>
#include <sddl.h>
#include <shlobj.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "command_driver.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace {

// The applet's dialog controls (its own resource ids).
const int kEnable = 3101, kCompression = 3102, kSingleLocation = 3103, kMaxTemp = 3104;
const int kVersionsPath = 3106, kBrowseVersions = 3107, kExclude = 3108, kHelpPath = 3109;
const char kDialog[] = "Fennory Settings";

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

bool ReadDword(const char* name, DWORD* value)
{
    DWORD size = sizeof(*value);
    return RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

std::string ReadString(const char* name)
{
    char text[600] = "";
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return "(missing)";
    return text;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Presses OK and answers the message box that must follow; returns its text
// (empty when none came). The dialog must still be open afterwards.
std::string OkExpectingMessage(HWND dialog)
{
    if (!fytest::PressButton(dialog, IDOK))
        return "";
    HWND box = nullptr;
    fytest::WaitUntil([&] { return (box = fytest::FindMessageBox("Fennory (TM)")) != nullptr; });
    if (!box)
        return "";
    fytest::BoxRecord record = fytest::ReadMessageBox(box);
    fytest::PressButton(box, IDOK);
    fytest::WaitUntil([&] { return !IsWindow(box); });
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog closed after: " << record.text;
    return record.text;
}

// The text of the folder selected in a folder picker's tree.
std::string SelectedFolder(HWND tree)
{
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return "";
    return text;
}

std::string ItemText(HWND tree, HTREEITEM handle)
{
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// Selects the item named text among the siblings of the selected one, as a
// click on it does.
bool SelectSibling(HWND tree, const std::string& text)
{
    HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    HTREEITEM parent = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(selected)));
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        if (ItemText(tree, item) == text)
            return SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
    }
    return false;
}

class AppletTest : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA((ProgramFolder() + "\\fenncpl.cpl").c_str());
        ASSERT_NE(module_, nullptr);
        applet_ = reinterpret_cast<APPLET_PROC>(reinterpret_cast<void*>(GetProcAddress(module_, "CPlApplet")));
        ASSERT_NE(applet_, nullptr);
        ASSERT_EQ(applet_(nullptr, CPL_INIT, 0, 0), TRUE);
    }
    void TearDown() override
    {
        if (applet_) {
            applet_(nullptr, CPL_STOP, 0, 0);
            applet_(nullptr, CPL_EXIT, 0, 0);
        }
        if (module_)
            FreeLibrary(module_);
    }
    // Opens the dialog as a double click in the Control Panel does, while
    // body drives it from a thread of its own.
    void RunDialog(std::function<void(HWND)> body)
    {
        fytest::DialogDriver driver(kDialog, body);
        applet_(GetDesktopWindow(), CPL_DBLCLK, 0, 0);
    }

    fytest::SettingsScope settings_;
    fytest::ScratchFolder scratch_;
    HMODULE module_ = nullptr;
    APPLET_PROC applet_ = nullptr;
};

// The Control Panel's questions, then a first-time user's settings: the
// dialog shows the module's defaults, and OK writes every value, creating the
// versions folder with its missing parents.
TEST_F(AppletTest, ShowsDefaultsAndSavesEverySetting)
{
    EXPECT_EQ(applet_(nullptr, CPL_GETCOUNT, 0, 0), 1);
    CPLINFO info = {};
    EXPECT_EQ(applet_(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    char name[64] = "", description[128] = "";
    LoadStringA(module_, info.idName, name, sizeof(name));
    LoadStringA(module_, info.idInfo, description, sizeof(description));
    EXPECT_STREQ(name, "Fennory");
    EXPECT_STREQ(description, "Sets how Fennory keeps earlier versions of files.");
    EXPECT_NE(LoadIconA(module_, MAKEINTRESOURCEA(info.idIcon)), nullptr);

    const std::string versions = scratch_ / "archives\\all files";
    RunDialog([&](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, kEnable));
        EXPECT_FALSE(Checked(dialog, kCompression));
        EXPECT_TRUE(Checked(dialog, kSingleLocation));
        EXPECT_EQ(fytest::GetControlText(dialog, kMaxTemp), "10");
        EXPECT_EQ(fytest::GetControlText(dialog, kVersionsPath), "");
        fytest::PressButton(dialog, kEnable);
        fytest::PressButton(dialog, kCompression);
        fytest::PressButton(dialog, kSingleLocation);
        fytest::SetControlText(dialog, kMaxTemp, "250");
        fytest::SetControlText(dialog, kVersionsPath, versions + "\\");
        fytest::SetControlText(dialog, kExclude, "doc,TMP,bak");
        fytest::SetControlText(dialog, kHelpPath, "C:\\Program Files\\Fennory\\");
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(fytest::FindMessageBox("Fennory (TM)"), nullptr);
    DWORD value = 99;
    EXPECT_TRUE(ReadDword("EnableVersionControl", &value) && value == 1);
    EXPECT_TRUE(ReadDword("UseCompression", &value) && value == 1);
    EXPECT_TRUE(ReadDword("SingleLocation", &value) && value == 0);
    EXPECT_TRUE(ReadDword("MaxTempVersions", &value) && value == 250);
    EXPECT_EQ(ReadString("VersionsPath"), versions);
    EXPECT_EQ(ReadString("VersionExclude"), "doc,TMP,bak");
    EXPECT_EQ(ReadString("HelpPath"), "C:\\Program Files\\Fennory");
    DWORD attributes = GetFileAttributesA(versions.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    // Opened again, the dialog shows what was saved; clearing the folders
    // removes their values.
    RunDialog([&](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, kEnable));
        EXPECT_FALSE(Checked(dialog, kSingleLocation));
        EXPECT_EQ(fytest::GetControlText(dialog, kMaxTemp), "250");
        EXPECT_EQ(fytest::GetControlText(dialog, kExclude), "doc,TMP,bak");
        fytest::SetControlText(dialog, kVersionsPath, "");
        fytest::SetControlText(dialog, kHelpPath, "");
        fytest::PressButton(dialog, IDOK);
    });
    EXPECT_EQ(ReadString("VersionsPath"), "(missing)");
    EXPECT_EQ(ReadString("HelpPath"), "(missing)");
}

// Each bad entry gets its message and leaves the dialog open with the text as
// typed; nothing is written until Cancel, which writes nothing.
TEST_F(AppletTest, RefusesBadInputAndKeepsIt)
{
    fytest::WriteFileText(scratch_ / "plain.txt", "a file, not a folder");
    RunDialog([&](HWND dialog) {
        fytest::SetControlText(dialog, kMaxTemp, "0");
        EXPECT_EQ(OkExpectingMessage(dialog), "Maximum number of temporary versions must be between 1 and 32767.");
        fytest::SetControlText(dialog, kMaxTemp, "32768");
        EXPECT_EQ(OkExpectingMessage(dialog), "Maximum number of temporary versions must be between 1 and 32767.");
        fytest::SetControlText(dialog, kMaxTemp, "32767");

        fytest::SetControlText(dialog, kExclude, "doc,.tmp");
        EXPECT_EQ(OkExpectingMessage(dialog),
                  "'.tmp' is not a file type.\n\nList file types as extensions without dots, separated by commas "
                  "only, such as doc,tmp,bak.");
        fytest::SetControlText(dialog, kExclude, "doc, txt");
        EXPECT_EQ(OkExpectingMessage(dialog).substr(0, 26), "' txt' is not a file type.");
        fytest::SetControlText(dialog, kExclude, "doc,,txt");
        EXPECT_EQ(OkExpectingMessage(dialog).substr(0, 41), "The list of file types has an empty entry");
        EXPECT_EQ(fytest::GetControlText(dialog, kExclude), "doc,,txt");
        fytest::SetControlText(dialog, kExclude, "doc,txt");

        fytest::SetControlText(dialog, kVersionsPath, "Versions");
        EXPECT_EQ(OkExpectingMessage(dialog), "Enter the full path of the versions folder, such as C:\\Versions.");
        std::string blocked = scratch_ / "plain.txt\\versions";
        fytest::SetControlText(dialog, kVersionsPath, blocked);
        std::string expected = "The versions folder " + blocked + " could not be created.\n\n";
        EXPECT_EQ(OkExpectingMessage(dialog).substr(0, expected.size()), expected);
        EXPECT_EQ(fytest::GetControlText(dialog, kVersionsPath), blocked);
        fytest::PressButton(dialog, IDCANCEL);
    });
    EXPECT_FALSE(fytest::PathExists(scratch_ / "plain.txt\\versions"));
    EXPECT_EQ(ReadString("VersionExclude"), "(missing)");
    DWORD value;
    EXPECT_FALSE(ReadDword("MaxTempVersions", &value));
}

// An account that may read the settings but not change them: the key's
// security lets everyone read and nobody write. The dialog shows the values,
// says why OK cannot save, stays open, and nothing changes.
TEST_F(AppletTest, ReportsARefusedWrite)
{
    settings_.SetDword("MaxTempVersions", 7);
    settings_.SetString("VersionExclude", "bak");
    PSECURITY_DESCRIPTOR readOnly = nullptr, full = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                     &readOnly, nullptr));
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KA;;;WD)", SDDL_REVISION_1, &full,
                                                                     nullptr));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, 0, KEY_SET_VALUE, &probe),
              ERROR_ACCESS_DENIED) << "the bench: the key should refuse writing now";

    RunDialog([&](HWND dialog) {
        EXPECT_EQ(fytest::GetControlText(dialog, kMaxTemp), "7");
        EXPECT_EQ(fytest::GetControlText(dialog, kExclude), "bak");
        fytest::SetControlText(dialog, kMaxTemp, "20");
        EXPECT_EQ(OkExpectingMessage(dialog),
                  "The settings were not saved: this account may not change Fennory's settings, which apply to "
                  "every user of this computer.\n\nAsk an administrator to change them.");
        EXPECT_EQ(fytest::GetControlText(dialog, kMaxTemp), "20");
        fytest::PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, full), ERROR_SUCCESS);
    RegCloseKey(key);
    LocalFree(readOnly);
    LocalFree(full);
    DWORD value = 0;
    EXPECT_TRUE(ReadDword("MaxTempVersions", &value) && value == 7);
}

// Browse opens the shell's folder picker at the folder typed; the folder
// chosen there comes back into the field.
TEST_F(AppletTest, BrowsePicksTheVersionsFolder)
{
    // Folders at the root of C: the picker's tree reaches them from "My Computer".
    std::string first = "C:\\fy pick first", second = "C:\\fy pick second";
    ASSERT_TRUE(CreateDirectoryA(first.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryA(second.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    RunDialog([&](HWND dialog) {
        fytest::SetControlText(dialog, kVersionsPath, first);
        fytest::PressButton(dialog, kBrowseVersions);
        HWND picker = fytest::WaitForWindow("#32770", "Browse for Folder");
        ASSERT_NE(picker, nullptr);
        HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
        ASSERT_NE(tree, nullptr);
        // The picker opens at the folder the field names...
        EXPECT_TRUE(fytest::WaitUntil([&] { return SelectedFolder(tree) == "fy pick first"; }))
            << SelectedFolder(tree);
        // ...and the user clicks another one beside it in the tree.
        EXPECT_TRUE(SelectSibling(tree, "fy pick second"));
        EXPECT_EQ(SelectedFolder(tree), "fy pick second");
        fytest::PressButton(picker, IDOK);
        EXPECT_TRUE(fytest::WaitUntil([&] { return !IsWindow(picker); }));
        EXPECT_EQ(fytest::GetControlText(dialog, kVersionsPath), second);
        fytest::PressButton(dialog, IDCANCEL);
    });
    RemoveDirectoryA(first.c_str());
    RemoveDirectoryA(second.c_str());
}

}  // namespace
