// The resources of the built FENNORY.DLL read back: strings, dialogs with their help-id tables, menu, icons.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace {

HMODULE Module()
{
    static HMODULE module = [] {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        strcpy(strrchr(path, '\\') + 1, "FENNORY.DLL");
        return LoadLibraryA(path);
    }();
    return module;
}

// Every string id of the header has a text (the About box's two spare lines
// are empty on purpose); the menu has its three items and every icon loads.
TEST(Resources, EveryStringIdHasItsTextAndTheMenuAndEveryIconLoad)
{
    ASSERT_NE(Module(), nullptr) << "FENNORY.DLL not loadable from the test's folder";
    const struct {
        UINT id;
        const char* name;
    } ids[] = {
#define FY_STRING_ID(name) {name, #name},
#include "string_ids.h"
#undef FY_STRING_ID
    };
    std::set<UINT> distinct;
    for (const auto& s : ids) {
        distinct.insert(s.id);
        const bool spare = s.id == IDS_ABOUT_SPARE_2 || s.id == IDS_ABOUT_SPARE_1;
        char text[4096];
        EXPECT_EQ(LoadStringA(Module(), s.id, text, sizeof text) == 0, spare) << s.name << " (" << s.id << ")";
    }
    EXPECT_GE(distinct.size(), 95u) << "the list made from the header is short";
    EXPECT_EQ(distinct.size(), std::size(ids)) << "two string names share one number";

    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_VIEWER));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    DestroyMenu(menu);
    for (UINT id : {IDI_UNCHECKED, IDI_CHECKED, IDI_VIEWER, IDI_ABOUT, IDI_HISTORY}) {
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            EXPECT_NE(icon, nullptr) << "icon " << id << " at " << size;
            DestroyIcon(icon);
        }
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Every template creates, with the title-bar help button where there is a Help button; its help-id
// table is (0, the dialog's topic), then (control, topic) pairs naming its own controls, then 0.
TEST(Resources, EveryDialogCreatesAndItsHelpTableNamesItsControls)
{
    ASSERT_NE(Module(), nullptr);
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS |
                                                                ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The View Multiple Versions table also names 1021 and 1022, which that dialog lacks (as given).
    const std::set<std::pair<UINT, DWORD>> absent = {{107, 1021}, {107, 1022}};
    HWND host = CreateWindowA("STATIC", "page host", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
    for (UINT id : {IDD_HISTORY_PAGE, IDD_SAVE_PROPERTIES, IDD_VIEW_MULTIPLE, IDD_COPY_VERSION, IDD_NEW_VERSION,
                    IDD_RETRIEVE_VERSION, IDD_PROGRESS, IDD_ABOUT, IDD_PICK_FOLDER}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), id == IDD_HISTORY_PAGE ? host : nullptr,
                                         PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
        const bool help = (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        EXPECT_EQ(help, GetDlgItem(dialog, IDHELP) != nullptr || id == IDD_ABOUT);
        std::vector<DWORD> table;
        if (HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(RT_HELPIDS))) {
            EXPECT_EQ(SizeofResource(Module(), found) % 4, 0u) << "not made of 32-bit numbers";
            const auto* first = static_cast<const DWORD*>(LockResource(LoadResource(Module(), found)));
            table.assign(first, first + SizeofResource(Module(), found) / 4);
        }
        if (id != IDD_PICK_FOLDER) {   // the common dialog's template has none
            ASSERT_GE(table.size(), 5u);
            EXPECT_EQ(table.size() % 2, 1u);
            EXPECT_EQ(table[0], 0u);
            EXPECT_NE(table[1], 0u);
            EXPECT_EQ(table.back(), 0u);
        }
        for (size_t i = 2; i + 1 < table.size(); i += 2) {
            EXPECT_NE(table[i + 1], 0u) << "control " << table[i];
            EXPECT_EQ(GetDlgItem(dialog, table[i]) != nullptr, !absent.count({id, table[i]})) << "control " << table[i];
        }
        DestroyWindow(dialog);
    }
    DestroyWindow(host);
}

}  // namespace
