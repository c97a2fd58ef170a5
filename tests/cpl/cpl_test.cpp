// The control-panel applet fenncpl.cpl as the Control Panel loads it, its dialog driven as a user fills it in.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include "command_driver.h"
#include "cpl_resource.h"
#include "run_program.h"
#include "win/handle.h"

namespace fytest {
namespace {

// Presses OK and answers the message box that must follow: its text. The dialog must stay open.
std::string OkExpectingMessage(HWND dialog)
{
    MessageBoxAnswerer answerer({IDOK});
    PressButton(dialog, IDOK);
    std::string text = answerer.Boxes().empty() ? "(no message)" : answerer.Boxes()[0].text;
    EXPECT_TRUE(WaitUntilServed(dialog) && IsWindowVisible(dialog)) << "the dialog closed after: " << text;
    return text;
}

std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[MAX_PATH] = "";
    TVITEMA data = {TVIF_TEXT, item};
    data.pszText = text;
    data.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

class AppletTest : public WorkingFilesTest {
protected:
    void SetUp() override
    {
        module_.Attach(LoadLibraryA(BesideTestProgram("fenncpl.cpl").c_str()));
        applet_ = reinterpret_cast<APPLET_PROC>(reinterpret_cast<void*>(GetProcAddress(module_.Get(), "CPlApplet")));
        ASSERT_NE(applet_, nullptr);
        ASSERT_EQ(applet_(nullptr, CPL_INIT, 0, 0), TRUE);
    }
    void TearDown() override
    {
        if (applet_)
            applet_(nullptr, CPL_EXIT, 0, 0);
    }
    // Opens the dialog as the Control Panel does, while body drives it from a thread of its own.
    void RunDialog(std::function<void(HWND)> body)
    {
        DialogDriver driver("Fennory Settings", body);
        applet_(GetDesktopWindow(), CPL_DBLCLK, 0, 0);
    }

    win::Module module_;
    APPLET_PROC applet_ = nullptr;
};

// The Control Panel's questions, then a first-time user's settings: the module's defaults are shown,
// and OK writes every value and makes the versions folder; then the user's mistakes.
TEST_F(AppletTest, ShowsDefaultsSavesEverySettingOpensItsHelpAndRefusesBadInput)
{
    EXPECT_EQ(applet_(nullptr, CPL_GETCOUNT, 0, 0), 1);
    CPLINFO info = {};
    EXPECT_EQ(applet_(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    char name[64] = "", description[128] = "";
    LoadStringA(module_.Get(), info.idName, name, sizeof(name));
    LoadStringA(module_.Get(), info.idInfo, description, sizeof(description));
    EXPECT_STREQ(name, "Fennory");
    EXPECT_STREQ(description, "Sets how Fennory keeps earlier versions of files.");
    EXPECT_NE(LoadIconA(module_.Get(), MAKEINTRESOURCEA(info.idIcon)), nullptr);

    const std::string versions = scratch_ / "archives\\all files";
    std::string helpFolder = BesideTestProgram("");
    helpFolder.pop_back();
    {
        NoMessageBoxes noBox;
        RunDialog([&](HWND dialog) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ENABLE), BST_UNCHECKED);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_COMPRESSION), BST_UNCHECKED);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SINGLE_LOCATION), BST_CHECKED);
            EXPECT_EQ(GetControlText(dialog, IDC_MAX_TEMP_EDIT), "10");
            EXPECT_EQ(GetControlText(dialog, IDC_VERSIONS_PATH), "");
            PressButton(dialog, IDC_ENABLE);
            PressButton(dialog, IDC_COMPRESSION);
            PressButton(dialog, IDC_SINGLE_LOCATION);
            SetControlText(dialog, IDC_MAX_TEMP_EDIT, "250");
            SetControlText(dialog, IDC_VERSIONS_PATH, versions + "\\");
            SetControlText(dialog, IDC_EXCLUDE, "doc,TMP,bak");
            SetControlText(dialog, IDC_HELP_PATH, BesideTestProgram(""));
            PressButton(dialog, IDOK);
        });
        const std::pair<const char*, std::string> saved[] = {
            {"EnableVersionControl", "1"}, {"UseCompression", "1"}, {"SingleLocation", "0"}, {"MaxTempVersions", "250"},
            {"VersionsPath", versions}, {"VersionExclude", "doc,TMP,bak"}, {"HelpPath", helpFolder}};
        for (const auto& [name, value] : saved)
            EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, name), value) << name;
        EXPECT_TRUE(PathExists(versions));

        // Opened again, it shows what was saved, and Help opens the settings' topic in the help file
        // of the saved help folder; clearing a folder removes its value.
        RunDialog([&](HWND dialog) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ENABLE), BST_CHECKED);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SINGLE_LOCATION), BST_UNCHECKED);
            PressButton(dialog, IDC_HELP_BUTTON);
            // The help engine is a process of its own.
            EXPECT_TRUE(WaitUntil([] {
                HWND engine = FindWindowA("MS_WINHELP", nullptr);
                HWND topic = engine ? FindWindowExA(engine, nullptr, "RichEdit20A", nullptr) : nullptr;
                return topic && GetText(topic).compare(0, 16, "Fennory Settings") == 0;
            }, 15000));
            SetControlText(dialog, IDC_VERSIONS_PATH, "");
            SetControlText(dialog, IDC_HELP_PATH, "");
            PressButton(dialog, IDOK);
        });
    }
    WinHelpA(nullptr, (helpFolder + "\\fennory.hlp").c_str(), HELP_QUIT, 0);
    EXPECT_TRUE(WaitUntil([] { return !FindWindowA("MS_WINHELP", nullptr); }));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "VersionsPath"), "(missing)");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "HelpPath"), "(missing)");

    // Each bad entry, and good input an account may not save, gets its message and leaves the dialog
    // open with the text as typed; Browse opens the shell's folder picker at the folder typed and the one
    // clicked there comes back; Cancel then changes nothing.
    MakeFile("plain.txt", "a file, not a folder");
    const std::string blocked = scratch_ / "plain.txt\\versions";
    const std::string types = "\n\nList file types as extensions without dots, separated by commas only, such as "
                              "doc,tmp,bak.";
    const struct {
        int field;
        std::string text, message;
    } cases[] = {
        {IDC_MAX_TEMP_EDIT, "0", "Maximum number of temporary versions must be between 1 and 32767."},
        {IDC_MAX_TEMP_EDIT, "32768", "Maximum number of temporary versions must be between 1 and 32767."},
        {IDC_MAX_TEMP_EDIT, "32767", ""},
        {IDC_EXCLUDE, "doc,.tmp", "'.tmp' is not a file type." + types},
        {IDC_EXCLUDE, "doc, txt", "' txt' is not a file type." + types},
        {IDC_EXCLUDE, "doc,,txt", "The list of file types has an empty entry"},
        {IDC_EXCLUDE, "doc,txt", ""},
        {IDC_VERSIONS_PATH, "Versions", "Enter the full path of the versions folder, such as C:\\Versions."},
        {IDC_VERSIONS_PATH, blocked, "The versions folder " + blocked + " could not be created.\n\n"},
    };
    // Folders at the root of C: the picker's tree reaches them from "My Computer".
    const std::string first = "C:\\fy pick first", second = "C:\\fy pick second";
    CreateDirectoryA(first.c_str(), nullptr);
    CreateDirectoryA(second.c_str(), nullptr);
    win::RegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, READ_CONTROL | WRITE_DAC, key.Receive()),
              ERROR_SUCCESS);
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(GetControlText(dialog, IDC_MAX_TEMP_EDIT), "250");
        EXPECT_EQ(GetControlText(dialog, IDC_EXCLUDE), "doc,TMP,bak");
        for (const auto& c : cases) {
            SetControlText(dialog, c.field, c.text);
            if (c.message.empty())
                continue;
            EXPECT_EQ(OkExpectingMessage(dialog).substr(0, c.message.size()), c.message);
            EXPECT_EQ(GetControlText(dialog, c.field), c.text);
        }
        SetControlText(dialog, IDC_VERSIONS_PATH, first);
        PressButton(dialog, IDC_BROWSE_VERSIONS);
        HWND picker = WaitForWindow("#32770", "Browse for Folder");
        HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
        ASSERT_NE(tree, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(tree, TreeView_GetSelection(tree)) == "fy pick first"; }));
        HTREEITEM item = TreeView_GetChild(tree, TreeView_GetParent(tree, TreeView_GetSelection(tree)));
        while (item && ItemText(tree, item) != "fy pick second")
            item = TreeView_GetNextSibling(tree, item);
        ASSERT_TRUE(item && TreeView_SelectItem(tree, item));
        PressButton(picker, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(picker); }));
        EXPECT_EQ(GetControlText(dialog, IDC_VERSIONS_PATH), second);
        // Good input now, but a key this account may only read.
        SetControlText(dialog, IDC_VERSIONS_PATH, "");
        ReadOnlyKeyScope readOnly(key.Get());
        EXPECT_EQ(OkExpectingMessage(dialog),
                  "The settings were not saved: this account may not change Fennory's settings, which apply to "
                  "every user of this computer.\n\nAsk an administrator to change them.");
        EXPECT_EQ(GetControlText(dialog, IDC_MAX_TEMP_EDIT), "32767");
        PressButton(dialog, IDCANCEL);
    });
    RemoveDirectoryA(first.c_str());
    RemoveDirectoryA(second.c_str());
    EXPECT_FALSE(PathExists(blocked));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "VersionExclude"), "doc,TMP,bak");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, "MaxTempVersions"), "250");
}

}  // namespace
}  // namespace fytest
