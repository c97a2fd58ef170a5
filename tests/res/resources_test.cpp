// Reads the resources of the built FENNORY.DLL back: every string id has its
// text (and a few texts are exact), every dialog template, the menu and the
// icons load, and the help-id tables are well formed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"

namespace {

// ---- The module ------------------------------------------------------------

HMODULE Module()
{
    static HMODULE module = [] {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        char* slash = strrchr(path, '\\');
        if (slash)
            slash[1] = '\0';
        strcat_s(path, "FENNORY.DLL");
        return LoadLibraryA(path);
    }();
    return module;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Module(), nullptr) << "FENNORY.DLL not loadable from the test's folder";
    }
};

std::string Str(UINT id)
{
    char buffer[4096] = {};
    int length = LoadStringA(Module(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

// ---- Strings ---------------------------------------------------------------

struct NamedId {
    UINT id;
    const char* name;
};

// Every IDS_ define of resource.h (string_ids.h is made from the header).
const NamedId kStringIds[] = {
#define FY_STRING_ID(name) {name, #name},
#include "string_ids.h"
#undef FY_STRING_ID
};

using StringTable = Resources;

TEST_F(StringTable, EveryIdOfTheHeaderHasItsText)
{
    // A broken extraction of the list would let this test pass on nothing.
    std::set<UINT> ids;
    for (const NamedId& s : kStringIds)
        ids.insert(s.id);
    ASSERT_GE(ids.size(), 95u);
    EXPECT_EQ(ids.size(), std::size(kStringIds)) << "two string names share one number";
    for (const NamedId& s : kStringIds) {
        // The two spare lines of the About box are empty on purpose.
        const bool spare = s.id == IDS_ABOUT_SPARE_2 || s.id == IDS_ABOUT_SPARE_1;
        EXPECT_EQ(Str(s.id).empty(), spare)
            << s.name << " (" << s.id << ") " << (spare ? "must stay empty" : "has no text in the string table");
    }
}

TEST_F(StringTable, TextsTheCodeAndUsersRelyOnAreExact)
{
    const struct {
        UINT id;
        const char* text;
    } expected[] = {
        // The caption (also the store's context text); the settings key and
        // value names that existing installations hold; the column count.
        {1200, "Fennory (TM)"}, {2000, "Software\\Zentrik\\Fennory\\Settings"},
        {2001, "EnableVersionControl"}, {2004, "MaxTempVersions"}, {2006, "VersionsPath"},
        {2015, "HistoryField_5"}, {1100, "5"},
        // Line breaks, a sentence break of two blanks, the '@'-split filter.
        {1302, "%s\nThis file already exists.\n\nReplace existing file?"},
        {1120, "A deleted version cannot be restored.  Are you sure you want to delete the selected item(s)?"},
        {1352, "All Files@*.*@"},
        // The progress window's texts.
        {2052, "Printing..."}, {2053, "Printing Version History"}, {2174, "Copying..."}, {2175, "Moving..."},
        {2176, "%s\nFrom '%s' to '%s'"}, {2177, "Deleting..."}, {2178, "Deleting %s"},
        {2300, "Versioning %s"}, {2301, "Versioning..."},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Str(e.id), e.text) << "string " << e.id;
}

// ---- Dialog templates --------------------------------------------------------

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// One dialog created from the module's template; destroyed, with the parent
// made for a child template, however the test ends.
class Dialog {
public:
    explicit Dialog(UINT id)
    {
        static const INITCOMMONCONTROLSEX icc = {
            sizeof icc, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        static const bool registered = InitCommonControlsEx(&icc) != FALSE;
        (void)registered;
        if (id == IDD_HISTORY_PAGE)
            parent_ = CreateWindowExA(0, "STATIC", "page host", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr,
                                      nullptr, nullptr);
        window_ = CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), parent_, PlainDialogProc, 0);
    }
    ~Dialog()
    {
        if (window_)
            DestroyWindow(window_);
        if (parent_)
            DestroyWindow(parent_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND get() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
};

using Dialogs = Resources;

const UINT kDialogs[] = {IDD_HISTORY_PAGE, IDD_SAVE_PROPERTIES, IDD_VIEW_MULTIPLE, IDD_COPY_VERSION,
                         IDD_NEW_VERSION, IDD_RETRIEVE_VERSION, IDD_PROGRESS, IDD_ABOUT, IDD_PICK_FOLDER};

// Every template creates; the dialogs with a Help button also have the
// title-bar help button that starts what-is-this help.
TEST_F(Dialogs, EveryTemplateCreates)
{
    for (UINT id : kDialogs) {
        Dialog dialog(id);
        ASSERT_NE(dialog.get(), nullptr) << "dialog " << id << ", error " << GetLastError();
        const bool help = (GetWindowLongA(dialog.get(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        EXPECT_EQ(help, dialog.item(IDHELP) != nullptr || id == IDD_ABOUT) << "dialog " << id;
    }
}

TEST_F(Dialogs, StylesTheCodeReliesOn)
{
    // The version lists are reports whose rows the code paints itself
    // (check-box icons), under the column headers it adds.
    const std::pair<UINT, int> lists[] = {{IDD_HISTORY_PAGE, 1026}, {IDD_RETRIEVE_VERSION, 1038}};
    for (auto [dialogId, list] : lists) {
        Dialog dialog(dialogId);
        ASSERT_NE(dialog.get(), nullptr) << dialogId;
        const DWORD style = GetWindowLongA(dialog.item(list), GWL_STYLE);
        EXPECT_EQ(style & (LVS_TYPEMASK | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER),
                  (DWORD)(LVS_REPORT | LVS_OWNERDRAWFIXED)) << "dialog " << dialogId;
    }
    // The maximum fields take digits only and are set through their up-down.
    const std::tuple<UINT, int, int> fields[] = {{IDD_HISTORY_PAGE, 1003, 1035}, {IDD_NEW_VERSION, 1000, 1001}};
    for (auto [dialogId, spin, edit] : fields) {
        Dialog dialog(dialogId);
        ASSERT_NE(dialog.get(), nullptr) << dialogId;
        ASSERT_TRUE(dialog.item(spin) && dialog.item(edit)) << dialogId;
        EXPECT_TRUE(GetWindowLongA(dialog.item(edit), GWL_STYLE) & ES_NUMBER) << "dialog " << dialogId;
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(dialog.item(spin), UDM_GETBUDDY, 0, 0)), dialog.item(edit))
            << "dialog " << dialogId;
    }
}

TEST_F(Dialogs, IconStaticsShowTheirIcon)
{
    // The first child of the history page and of the About box is an icon.
    for (UINT dialogId : {IDD_HISTORY_PAGE, IDD_ABOUT}) {
        Dialog dialog(dialogId);
        ASSERT_NE(dialog.get(), nullptr);
        HWND icon = GetWindow(dialog.get(), GW_CHILD);
        EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0) << "dialog " << dialogId;
    }
}

// ---- Menu and icons ------------------------------------------------------------

using MenuAndIcons = Resources;

TEST_F(MenuAndIcons, ViewerMenuLoads)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_VIEWER));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    DestroyMenu(menu);
}

TEST_F(MenuAndIcons, EveryIconLoadsSmallAndLarge)
{
    for (UINT id : {IDI_UNCHECKED, IDI_CHECKED, IDI_VIEWER, IDI_ABOUT, IDI_HISTORY}) {
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            EXPECT_NE(icon, nullptr) << "icon " << id << " at " << size;
            if (icon)
                DestroyIcon(icon);
        }
    }
}

// ---- Help-id tables ------------------------------------------------------------

// A table as the 32-bit numbers it is made of; empty when it is missing.
std::vector<DWORD> HelpIds(UINT dialog)
{
    std::vector<DWORD> numbers;
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(dialog), MAKEINTRESOURCEA(RT_HELPIDS));
    if (!found)
        return numbers;
    const DWORD size = SizeofResource(Module(), found);
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    EXPECT_EQ(size % 4, 0u) << "table " << dialog << " is not made of 32-bit numbers";
    for (DWORD i = 0; i + 4 <= size; i += 4)
        numbers.push_back(p[i] | p[i + 1] << 8 | p[i + 2] << 16 | (DWORD)p[i + 3] << 24);
    return numbers;
}

using HelpIdTables = Resources;

// Each table is a leading pair (0, the dialog's own topic), then (control,
// topic) pairs, then a closing zero; every control it names is in the dialog.
TEST_F(HelpIdTables, EachTableIsWellFormedAndNamesItsDialogsControls)
{
    // The View Multiple Versions table also names 1021 and 1022, which that
    // dialog does not have; they are kept as the table is given.
    const std::set<std::pair<UINT, DWORD>> absent = {{107, 1021}, {107, 1022}};
    for (UINT id : kDialogs) {
        if (id == IDD_PICK_FOLDER)
            continue;   // the common dialog's template has no table
        SCOPED_TRACE("table " + std::to_string(id));
        const std::vector<DWORD> table = HelpIds(id);
        ASSERT_GE(table.size(), 5u);
        EXPECT_EQ(table.size() % 2, 1u);
        EXPECT_EQ(table[0], 0u);
        EXPECT_NE(table[1], 0u);
        EXPECT_EQ(table.back(), 0u);
        Dialog dialog(id);
        ASSERT_NE(dialog.get(), nullptr);
        for (size_t i = 2; i + 1 < table.size(); i += 2) {
            EXPECT_NE(table[i + 1], 0u) << "control " << table[i];
            EXPECT_EQ(dialog.item(table[i]) != nullptr, !absent.count({id, table[i]})) << "control " << table[i];
        }
    }
}

}  // namespace
