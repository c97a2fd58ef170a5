// Reads the resources of the built FENNORY.DLL back and checks what the
// module's code and its users depend on: every string id has its text (and a
// few texts are exact), every dialog template can be created and holds the
// controls the code drives, the viewer menu, the icons and the help-id tables.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
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

// The window class of a control; empty when there is no such control.
std::string ClassOf(HWND window)
{
    char name[64] = {};
    if (window)
        GetClassNameA(window, name, sizeof name);
    return name;
}

const char* const kStatic = "Static";
const char* const kEdit = "Edit";
const char* const kButton = "Button";
const char* const kListView = "SysListView32";
const char* const kUpDown = "msctls_updown32";

struct ControlClass {
    int id;
    const char* windowClass;
};

// For each dialog: whether it has the title-bar help button, and the controls
// that the module's code (or, for 19000, the open-file dialog) drives.
const struct DialogContents {
    UINT dialog;
    bool contextHelp;
    std::vector<ControlClass> controls;
} kDialogContents[] = {
    {102, false, {{1034, kStatic}, {1035, kEdit}, {1003, kUpDown}, {1044, kStatic}, {1026, kListView},
                  {1014, kButton}, {1020, kButton}, {1000, kButton}, {1019, kButton}, {1013, kButton},
                  {1002, kButton}}},
    {105, true, {{1003, kButton}, {1004, kEdit}, {IDOK, kButton}, {IDCANCEL, kButton}, {9, kButton}}},
    {107, false, {{1017, kStatic}, {1028, kStatic}, {1018, kStatic}, {1019, kStatic}, {1029, kStatic},
                  {1020, kStatic}, {1023, kStatic}, {1024, kStatic}, {1025, kStatic}, {IDCANCEL, kButton},
                  {1048, kButton}}},
    {112, true, {{1004, kEdit}, {1000, kButton}, {IDOK, kButton}, {IDCANCEL, kButton}, {9, kButton}}},
    {113, true, {{1033, kButton}, {1031, kButton}, {1032, kButton}, {1001, kEdit}, {1000, kUpDown},
                 {IDOK, kButton}, {IDCANCEL, kButton}, {9, kButton}}},
    {124, true, {{1038, kListView}, {1039, kButton}, {1040, kButton}, {1041, kButton}, {IDCANCEL, kButton},
                 {9, kButton}}},
    {126, false, {{1043, kStatic}, {1042, "msctls_progress32"}, {IDCANCEL, kButton}}},
    {130, true, {{1050, kStatic}, {1046, kStatic}, {1047, kStatic}, {1048, kStatic}, {1051, kStatic},
                 {1052, kStatic}, {1049, kStatic}, {IDOK, kButton}}},
    {19000, false, {{1090, kStatic}, {1152, kEdit}, {1120, "ListBox"}, {1088, kStatic}, {1121, "ListBox"},
                    {1089, kStatic}, {1136, "ComboBox"}, {1091, kStatic}, {1137, "ComboBox"}, {IDOK, kButton},
                    {IDCANCEL, kButton}, {1038, kButton}, {1040, kButton}}},
};

using Dialogs = Resources;

TEST_F(Dialogs, EveryTemplateCreatesWithTheControlsTheCodeDrives)
{
    for (const DialogContents& d : kDialogContents) {
        SCOPED_TRACE("dialog " + std::to_string(d.dialog));
        Dialog dialog(d.dialog);
        ASSERT_NE(dialog.get(), nullptr) << "error " << GetLastError();
        const bool help = (GetWindowLongA(dialog.get(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        EXPECT_EQ(help, d.contextHelp) << "title-bar help button";
        for (const ControlClass& c : d.controls) {
            HWND control = dialog.item(c.id);
            EXPECT_STRCASEEQ(ClassOf(control).c_str(), c.windowClass) << "control " << c.id;
        }
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

// A menu as text: "item=id" or "popup[...]" for each item, "-" for a
// separator, all joined by "|".
std::string Render(HMENU menu)
{
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        MENUITEMINFOA info = {sizeof info, MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU};
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (i > 0)
            out += '|';
        if (info.hSubMenu)
            out += std::string(text) + "[" + Render(info.hSubMenu) + "]";
        else if (info.fType & MFT_SEPARATOR)
            out += "-";
        else
            out += std::string(text) + "=" + std::to_string(info.wID);
    }
    return out;
}

using MenuAndIcons = Resources;

TEST_F(MenuAndIcons, ViewerMenuHasItsItemsInOrder)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_VIEWER));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Render(menu), "&File[&Print...=40000|-|E&xit=40016]|&Edit[&Copy=40001]|"
                            "&Options[&Display...=40012|&Print...=40013|&Clipboard...=40014]");
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

struct HelpTable {
    UINT dialog;
    DWORD leading;
    std::vector<std::pair<DWORD, DWORD>> pairs;  // (control id, help id)
};

const HelpTable kHelpTables[] = {
    {102, 24, {{1002, 25}, {1013, 26}, {1044, 27}, {1019, 28}, {1026, 29}, {1034, 30},
               {1003, 31}, {1035, 32}, {1000, 33}, {1014, 34}, {1020, 35}}},
    {105, 9, {{1004, 10}, {1003, 11}}},
    {107, 12, {{1024, 13}, {1025, 14}, {1020, 15}, {1029, 16}, {1019, 17}, {1022, 18},
               {1018, 19}, {1028, 20}, {1017, 21}, {1021, 22}, {1023, 23}}},
    {112, 42, {{1000, 43}, {1004, 44}}},
    {113, 36, {{1000, 37}, {1001, 38}, {1033, 39}, {1032, 40}, {1031, 41}}},
    {124, 48, {{1040, 49}, {1038, 50}, {1041, 51}, {1039, 52}}},
    {126, 45, {{1043, 46}, {1042, 47}}},
    {130, 1, {{1047, 2}, {1048, 3}, {1051, 4}, {1052, 5}, {1050, 6}, {1049, 7}, {1046, 8}}},
};

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

TEST_F(HelpIdTables, EachTableIsALeadingPairThePairsAndAClosingZero)
{
    for (const HelpTable& t : kHelpTables) {
        SCOPED_TRACE("table " + std::to_string(t.dialog));
        std::vector<DWORD> expected = {0, t.leading};
        for (const auto& [control, help] : t.pairs)
            expected.insert(expected.end(), {control, help});
        expected.push_back(0);
        EXPECT_EQ(HelpIds(t.dialog), expected);
    }
}

TEST_F(HelpIdTables, EveryControlOfATableIsInItsDialog)
{
    // The View Multiple Versions table also names 1021 and 1022, which that
    // dialog does not have; they are kept as the table is given.
    const std::set<std::pair<UINT, DWORD>> absent = {{107, 1021}, {107, 1022}};
    for (const HelpTable& t : kHelpTables) {
        Dialog dialog(t.dialog);
        ASSERT_NE(dialog.get(), nullptr) << t.dialog;
        for (const auto& [control, help] : t.pairs)
            EXPECT_EQ(dialog.item(control) != nullptr, !absent.count({t.dialog, control}))
                << "dialog " << t.dialog << ", control " << control;
    }
}

}  // namespace
