// The History tab in the Properties of Wine's own shell, with the class
// registered for all files as the installer registers it. Wine's shell keeps
// the extension object it used, so this program does not ask about unloading.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "archive_file.h"
#include "command_driver.h"
#include "shell_harness.h"

namespace fytest {
namespace {

const char kClassKey[] = "Software\\Classes\\CLSID\\{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}";
const char kHandlerKey[] = "Software\\Classes\\*\\shellex\\PropertySheetHandlers\\Fennory";

void SetDefault(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                              nullptr), ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

// The registration an installation makes, for the test's lifetime.
class Registration {
public:
    Registration()
    {
        char dll[MAX_PATH];
        GetModuleFileNameA(nullptr, dll, MAX_PATH);
        strcpy(strrchr(dll, '\\') + 1, "FENNORY.DLL");
        SetDefault(kClassKey, nullptr, "Fennory Shell Extension");
        SetDefault(std::string(kClassKey) + "\\InprocServer32", nullptr, dll);
        SetDefault(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel", "Apartment");
        SetDefault(kHandlerKey, nullptr, "{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}");
    }
    ~Registration()
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kHandlerKey);
    }
};

struct SheetQuery {
    HWND sheet = nullptr;
};

BOOL CALLBACK FindSheet(HWND window, LPARAM parameter)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64];
    GetClassNameA(window, name, sizeof(name));
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && strcmp(name, "#32770") == 0
        && FindWindowExA(window, nullptr, "SysTabControl32", nullptr)) {
        reinterpret_cast<SheetQuery*>(parameter)->sheet = window;
        return FALSE;
    }
    return TRUE;
}

TEST(ExplorerProperties, HistoryTabAmongTheShellsTabs)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    SettingsScope settings;
    settings.SetDword("EnableVersionControl", 1);
    const DWORD widths[] = {44, 30, 120, 60, 110};
    for (int i = 0; i < 5; ++i)
        settings.SetDword(("HistoryField_" + std::to_string(i + 1)).c_str(), widths[i]);
    ScratchFolder scratch;
    std::string kept = scratch / "kept.txt";
    WriteFileText(kept, "first");
    {
        ArchiveFile archive(kept.c_str());
        ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 0), 0);
        WriteFileText(kept, "second");
        ASSERT_EQ(archive.AddVersion("second", 0), 1);
    }
    Registration registration;

    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, kept.c_str(), -1, wide, MAX_PATH);
    LPITEMIDLIST item = nullptr;
    ASSERT_EQ(SHParseDisplayName(wide, nullptr, &item, 0, nullptr), S_OK);
    Com<IShellFolder> folder;
    LPCITEMIDLIST child = nullptr;
    ASSERT_EQ(SHBindToParent(item, IID_IShellFolder, folder.Out(), &child), S_OK);
    Com<IContextMenu> menu;
    ASSERT_EQ(folder->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, menu.Out()), S_OK);

    std::vector<std::string> tabs;
    std::vector<std::string> numbers;
    std::thread driver([&] {
        SheetQuery query;
        WaitUntil([&] {
            EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&query));
            return query.sheet != nullptr;
        });
        if (!query.sheet)
            return;
        HWND tabControl = PropSheet_GetTabControl(query.sheet);
        int history = -1;
        for (int index = 0; index < TabCtrl_GetItemCount(tabControl); ++index) {
            char text[64] = {};
            TCITEMA tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = text;
            tab.cchTextMax = sizeof(text);
            TabCtrl_GetItem(tabControl, index, &tab);
            tabs.push_back(text);
            if (tabs.back() == "Fennory (TM)")
                history = index;
        }
        if (history >= 0) {
            PropSheet_SetCurSel(query.sheet, nullptr, history);
            HWND list = nullptr;
            WaitUntil([&] {
                HWND page = PropSheet_GetCurrentPageHwnd(query.sheet);
                list = page ? GetDlgItem(page, 1026) : nullptr;
                return list && ListView_GetItemCount(list) == 2;
            });
            for (int row = 0; list && row < ListView_GetItemCount(list); ++row) {
                char text[16] = {};
                ListView_GetItemText(list, row, 1, text, sizeof(text));
                numbers.push_back(text);
            }
        }
        PressButton(query.sheet, IDCANCEL);
    });
    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = "properties";
    info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    driver.join();
    CoTaskMemFree(item);

    ASSERT_GE(tabs.size(), 2u);
    EXPECT_EQ(tabs.front(), "General");
    EXPECT_EQ(tabs.back(), "Fennory (TM)");
    EXPECT_EQ(numbers, (std::vector<std::string>{"2", "1"}));
    menu.Reset();
    folder.Reset();
    OleUninitialize();
}

}  // namespace
}  // namespace fytest
