// Reads the resources of the built FENNORY.DLL back and checks them against
// what the module's code and its users expect: string texts, dialog templates
// (created as real windows), the viewer menu, the icons and the help-id
// tables.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
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

const NamedId kStringIds[] = {
#define FY_STRING_ID(name) {name, #name},
#include "string_ids.h"
#undef FY_STRING_ID
};

// Lines of the About box kept blank on purpose.
bool IntentionallyEmpty(UINT id)
{
    return id == IDS_ABOUT_SPARE_1 || id == IDS_ABOUT_SPARE_2;
}

using StringTable = Resources;

TEST_F(StringTable, TheIdListCoversTheWholeHeader)
{
    // The list is made from resource.h; a broken extraction would make the
    // next test pass on nothing.
    std::set<UINT> ids;
    for (const NamedId& s : kStringIds)
        ids.insert(s.id);
    EXPECT_GE(ids.size(), 95u);
    EXPECT_EQ(ids.size(), std::size(kStringIds)) << "two string names share one number";
    for (UINT id : {IDS_MENU_FENNORY, IDS_CAPTION, IDS_REG_HISTORY_FIELD_5, IDS_TYPE_PLEXA, IDS_ABOUT_SPARE_1})
        EXPECT_TRUE(ids.count(id)) << id;
}

TEST_F(StringTable, EveryIdOfTheHeaderHasItsText)
{
    for (const NamedId& s : kStringIds) {
        if (IntentionallyEmpty(s.id))
            continue;
        EXPECT_FALSE(Str(s.id).empty()) << s.name << " (" << s.id << ") has no text in the string table";
    }
}

TEST_F(StringTable, TheTwoSpareAboutLinesLoadEmpty)
{
    for (UINT id : {IDS_ABOUT_SPARE_1, IDS_ABOUT_SPARE_2}) {
        char buffer[256];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(LoadStringA(Module(), id, buffer, sizeof buffer), 0) << id;
        EXPECT_EQ(buffer[0], '\0') << id;
    }
}

TEST_F(StringTable, QuotedTextsAreExact)
{
    const struct {
        UINT id;
        const char* text;
    } expected[] = {
        {1000, "&Fennory"},
        {1001, "&Save..."},
        {1003, "&File"},
        {1012, "Copy this file and its version(s)"},
        {1102, "#"},
        {1103, "Date & Time"},
        {1120, "A deleted version cannot be restored.  Are you sure you want to delete the selected item(s)?"},
        {1121, "(Compressed)"},
        {1160, "Permanent\t#\tDate & Time\tUpdated By\tComment"},
        {1161, "File: %s, Total Number of Versions: %d"},
        {1200, "Fennory (TM)"},
        {1201, "fennory.hlp"},
        {1202, "USER"},
        {1203, "fenncpl.cpl"},
        {1302, "%s\nThis file already exists.\n\nReplace existing file?"},
        {1305, "Version %d"},
        {1309, "Version %d of file %s is a permanent version!  Are you sure you really want to delete it?"},
        {1311, "Error!  There are no files to Save!"},
        {1350, "Version History - %s"},
        {1352, "All Files@*.*@"},
        {1400, "Fennory (TM) View - %s - %s - Version %d"},
        {1404, "Fennory can't create an archive because the combined length of the original file path and "
               "the Fennory path exceeds the Windows 95 limitations for long file names.  Move your file to a "
               "directory with a shorter path and try again."},
        {1408, "%s\nWorking file is not newer than latest version."},
        {1409, "%s is a zero length file."},
        {1410, "Add Your Comment."},
        {2050, "Y"},
        {2055, "Error!  Can't print!"},
        {2110, "%s\nAn archive for this file already exists in %s.\n\nReplace existing archive?"},
        {2114, "Error!  Couldn't load viewer files SCCVW.DLL or SCCFI.DLL."},
        {2176, "%s\nFrom '%s' to '%s'"},
        {2200, "Maximum number of temporary versions must be between 1 and 32767."},
        {2302, "Warning!  The number of temporary versions exceeds the maximum you have chosen.  One or more "
               "versions will be deleted."},
        {2303, "Zentrik Plexa 7.0"},
        {20000, "Fennory (TM)"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Str(e.id), e.text) << "string " << e.id;
}

TEST_F(StringTable, ColumnCountIsFiveWithATitleAndAWidthSettingPerColumn)
{
    ASSERT_EQ(Str(IDS_COLUMN_COUNT), "5");
    const int columns = atoi(Str(IDS_COLUMN_COUNT).c_str());
    const char* titles[] = {"Permanent", "#", "Date & Time", "Updated By", "Comment"};
    for (int i = 0; i < columns; ++i) {
        EXPECT_EQ(Str(IDS_COLUMN_PERMANENT + i), titles[i]) << "column " << i;
        EXPECT_EQ(Str(IDS_REG_HISTORY_FIELD_1 + i), "HistoryField_" + std::to_string(i + 1));
    }
    EXPECT_EQ(Str(IDS_COLUMN_PERMANENT + columns), "") << "a title beyond the column count";
}

TEST_F(StringTable, SettingsKeyAndValueNames)
{
    EXPECT_EQ(Str(2000), "Software\\Zentrik\\Fennory\\Settings");
    const struct {
        UINT id;
        const char* name;
    } values[] = {
        {2001, "EnableVersionControl"}, {2002, "UseCompression"}, {2004, "MaxTempVersions"},
        {2005, "SingleLocation"},       {2006, "VersionsPath"},   {2007, "VersionExclude"},
        {2008, "EnableQuickView"},      {2009, "HelpPath"},       {2010, "QuickViewExclude"},
    };
    for (const auto& v : values)
        EXPECT_EQ(Str(v.id), v.name) << v.id;
}

// The printf conversions of a format text, in order ("%%" skipped).
std::string Conversions(const std::string& format)
{
    std::string kinds;
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (format[i + 1] == '%') {
            ++i;
            continue;
        }
        kinds += format[i + 1];
    }
    return kinds;
}

TEST_F(StringTable, FormatsTakeTheArgumentsTheCodePasses)
{
    // A %d where the code passes a string, or a missing %s, crashes or garbles
    // the message; texts shown as they are must hold no conversion at all.
    const struct {
        UINT id;
        const char* kinds;
    } formats[] = {
        {1161, "sd"}, {1302, "s"},  {1305, "d"},  {1308, "s"},   {1309, "ds"},  {1350, "s"},
        {1400, "ssd"}, {1405, "s"}, {1408, "s"},  {1409, "s"},   {1411, "s"},   {2054, "s"},
        {2100, "s"},  {2101, "d"},  {2110, "ss"}, {2111, "s"},   {2112, "ss"},  {2113, "ss"},
        {2170, "s"},  {2171, "s"},  {2176, "sss"}, {2178, "s"},  {2300, "s"},
        {1412, "s"},  {2115, "ss"}, {2116, "ss"}, {2117, "sss"},
        {1120, ""},   {1200, ""},   {1300, ""},   {1311, ""},    {1404, ""},    {1410, ""},
        {2055, ""},   {2114, ""},   {2200, ""},   {2302, ""},    {1160, ""},
    };
    for (const auto& f : formats)
        EXPECT_EQ(Conversions(Str(f.id)), f.kinds) << "string " << f.id << ": " << Str(f.id);
}

TEST_F(StringTable, TextsFitTheBuffersTheyAreLoadedInto)
{
    // Lengths without the terminator must stay below each buffer's size.
    for (UINT id = 1000; id <= 1013; ++id)
        EXPECT_LT(Str(id).size(), 256u) << id;                       // menu items and help texts
    for (UINT id = IDS_COLUMN_PERMANENT; id <= IDS_COLUMN_COMMENT; ++id)
        EXPECT_LT(Str(id).size(), 100u) << id;                       // column titles
    for (UINT id : {IDS_VERSIONING_FILE, IDS_VERSIONING, IDS_RETRIEVE_AS})
        EXPECT_LT(Str(id).size(), 100u) << id;
    EXPECT_LT(Str(IDS_ALL_FILES_FILTER).size(), 256u);
    EXPECT_LT(Str(IDS_CAPTION).size(), 128u);                        // also the store's context text
    EXPECT_LT(Str(IDS_DEFAULT_USER).size(), 33u);                    // user-name field
    EXPECT_LT(Str(IDS_SETTINGS_KEY).size(), 256u);
    for (const NamedId& s : kStringIds)
        EXPECT_LT(Str(s.id).size(), 500u) << s.name;                 // message formats
    for (UINT id : {20000u, 20001u, 20002u, 20004u, 1204u, 1205u})
        EXPECT_LT(Str(id).size(), 256u) << id;                       // About lines
}

TEST_F(StringTable, FileFilterBecomesOneNamePatternPair)
{
    std::string filter = Str(IDS_ALL_FILES_FILTER);
    for (char& c : filter)
        if (c == '@')
            c = '\0';
    EXPECT_EQ(filter, std::string("All Files\0*.*\0", 14));
}

TEST_F(StringTable, AboutTextsNameTheProductMakerAndCredits)
{
    EXPECT_EQ(Str(IDS_ABOUT_PRODUCT), "Fennory (TM)");
    EXPECT_NE(Str(IDS_ABOUT_VERSION).find("Version"), std::string::npos);
    EXPECT_NE(Str(IDS_ABOUT_COPYRIGHT).find("Copyright"), std::string::npos);
    EXPECT_NE(Str(IDS_ABOUT_COPYRIGHT).find("Zentrik"), std::string::npos);
    EXPECT_NE(Str(IDS_ABOUT_TRADEMARK).find("Zentrik"), std::string::npos);
    EXPECT_NE((Str(IDS_ABOUT_CREDITS_1) + Str(IDS_ABOUT_CREDITS_2)).find("zlib"), std::string::npos);
}

// ---- Dialog templates --------------------------------------------------------

const UINT kDialogIds[] = {IDD_HISTORY_PAGE, IDD_SAVE_PROPERTIES, IDD_VIEW_MULTIPLE, IDD_COPY_VERSION,
                           IDD_NEW_VERSION, IDD_RETRIEVE_VERSION, IDD_PROGRESS, IDD_ABOUT, IDD_PICK_FOLDER};

void InitControls()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                                                    ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

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
        InitControls();
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

    std::vector<HWND> Children() const
    {
        std::vector<HWND> children;
        for (HWND c = GetWindow(window_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            children.push_back(c);
        return children;
    }

    // The pixel rectangle of a dialog-unit rectangle of this dialog.
    RECT Pixels(int x, int y, int w, int h) const
    {
        RECT r = {x, y, x + w, y + h};
        MapDialogRect(window_, &r);
        return r;
    }

    // A control's rectangle in the dialog's client coordinates.
    RECT Place(HWND control) const
    {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
};

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

enum Kind { kStatic, kIcon, kEdit, kPush, kDefPush, kCheck, kGroup, kList, kUpDown, kProgress, kListBox, kCombo };

struct ControlSpec {
    int id;
    Kind kind;
    const char* text;  // null: not compared
    int x, y, w, h;    // dialog units; w < 0: the place is not compared
    DWORD styleOn = 0;
    DWORD styleOff = 0;
};

const char* ClassFor(Kind kind)
{
    switch (kind) {
    case kStatic:
    case kIcon: return "Static";
    case kEdit: return "Edit";
    case kPush:
    case kDefPush:
    case kCheck:
    case kGroup: return "Button";
    case kList: return "SysListView32";
    case kUpDown: return "msctls_updown32";
    case kProgress: return "msctls_progress32";
    case kListBox: return "ListBox";
    case kCombo: return "ComboBox";
    }
    return "";
}

const DWORD kOwnerDrawnReport = LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
const DWORD kListNotWanted = LVS_SINGLESEL | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER;
const DWORD kSpinStyle = UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;

// Compares a created dialog's children, in order, with the expected table.
void ExpectControls(const Dialog& dialog, const std::vector<ControlSpec>& specs)
{
    std::vector<HWND> children = dialog.Children();
    ASSERT_EQ(children.size(), specs.size()) << "number of controls";
    for (size_t i = 0; i < specs.size(); ++i) {
        const ControlSpec& spec = specs[i];
        HWND c = children[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(spec.id));
        EXPECT_EQ(GetDlgCtrlID(c), spec.id);
        EXPECT_STRCASEEQ(ClassOf(c).c_str(), ClassFor(spec.kind));
        if (spec.text) {
            EXPECT_EQ(TextOf(c), spec.text);
        }
        const DWORD style = GetWindowLongA(c, GWL_STYLE);
        // Edit and list-view controls may trade a border for a sunken edge.
        const DWORD on = spec.styleOn & ~WS_BORDER;
        EXPECT_EQ(style & on, on) << std::hex << style;
        if (spec.styleOn & WS_BORDER) {
            EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) << "no border";
        }
        EXPECT_EQ(style & spec.styleOff, 0u) << std::hex << style;
        const DWORD type = style & BS_TYPEMASK;
        switch (spec.kind) {
        case kPush:
        case kDefPush: EXPECT_TRUE(type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) << type; break;
        case kCheck: EXPECT_EQ(type, (DWORD)BS_AUTOCHECKBOX); break;
        case kGroup: EXPECT_EQ(type, (DWORD)BS_GROUPBOX); break;
        case kIcon: EXPECT_EQ(style & SS_TYPEMASK, (DWORD)SS_ICON); break;
        default: break;
        }
        if (spec.w >= 0) {
            // The dialog manager converts position and size separately.
            RECT at = dialog.Pixels(spec.x, spec.y, 0, 0);
            RECT size = dialog.Pixels(0, 0, spec.w, spec.h);
            RECT got = dialog.Place(c);
            EXPECT_EQ(got.left, at.left);
            EXPECT_EQ(got.top, at.top);
            EXPECT_EQ(got.right - got.left, size.right);
            // A drop-down list is as high as its closed box; a list box
            // rounds its height to whole lines.
            if (spec.kind != kCombo && spec.kind != kListBox) {
                EXPECT_EQ(got.bottom - got.top, size.bottom);
            } else {
                EXPECT_LE(got.bottom - got.top, size.bottom);
            }
        }
    }
}

void ExpectClientSize(const Dialog& dialog, int w, int h)
{
    RECT want = dialog.Pixels(0, 0, w, h);
    RECT got;
    GetClientRect(dialog.get(), &got);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

int DefaultId(const Dialog& dialog)
{
    LRESULT r = SendMessageA(dialog.get(), DM_GETDEFID, 0, 0);
    return HIWORD(r) == DC_HASDEFID ? LOWORD(r) : 0;
}

bool HasContextHelpButton(const Dialog& dialog)
{
    return (GetWindowLongA(dialog.get(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
}

// The header of a DIALOGEX template as stored in the module.
struct TemplateInfo {
    DWORD style = 0, exStyle = 0;
    int items = 0, x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption, font;
    int pointSize = 0;
};

bool ReadTemplate(UINT id, TemplateInfo& info)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found)
        return false;
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    const WORD* w = reinterpret_cast<const WORD*>(p);
    if (!p || w[0] != 1 || w[1] != 0xFFFF)  // DIALOGEX signature
        return false;
    memcpy(&info.exStyle, p + 8, 4);
    memcpy(&info.style, p + 12, 4);
    info.items = *reinterpret_cast<const WORD*>(p + 16);
    const short* pos = reinterpret_cast<const short*>(p + 18);
    info.x = pos[0], info.y = pos[1], info.cx = pos[2], info.cy = pos[3];
    w = reinterpret_cast<const WORD*>(p + 26);
    auto skipNameOrOrdinal = [&w] {
        if (*w == 0xFFFF)
            w += 2;
        else {
            while (*w)
                ++w;
            ++w;
        }
    };
    skipNameOrOrdinal();  // menu
    skipNameOrOrdinal();  // class
    for (; *w; ++w)
        info.caption += static_cast<wchar_t>(*w);
    ++w;
    if (info.style & DS_SETFONT) {
        info.pointSize = w[0];
        w += 3;  // point size, weight, italic and character set
        for (; *w; ++w)
            info.font += static_cast<wchar_t>(*w);
    }
    return true;
}

using Dialogs = Resources;

TEST_F(Dialogs, EveryTemplateCanBeCreated)
{
    for (UINT id : kDialogIds) {
        Dialog dialog(id);
        EXPECT_NE(dialog.get(), nullptr) << "dialog " << id << ", error " << GetLastError();
    }
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    reinterpret_cast<std::set<UINT>*>(param)->insert(IS_INTRESOURCE(name) ? (UINT)(UINT_PTR)name : 0u);
    return TRUE;
}

std::set<UINT> ResourceNames(LPCSTR type)
{
    std::set<UINT> names;
    EnumResourceNamesA(Module(), type, CollectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

TEST_F(Dialogs, TheModuleHoldsExactlyTheseTemplates)
{
    EXPECT_EQ(ResourceNames(MAKEINTRESOURCEA(5)), std::set<UINT>(std::begin(kDialogIds), std::end(kDialogIds)));
}

TEST_F(Dialogs, TemplatesHaveTheirSizeCaptionAndFont)
{
    const struct {
        UINT id;
        int cx, cy;
        const wchar_t* caption;
    } expected[] = {
        {IDD_HISTORY_PAGE, 227, 198, L"Fennory (TM)"},   {IDD_SAVE_PROPERTIES, 171, 151, L"Save Properties"},
        {IDD_VIEW_MULTIPLE, 384, 243, L"View Multiple Versions"}, {IDD_COPY_VERSION, 197, 63, L"Copy"},
        {IDD_NEW_VERSION, 171, 96, L"New Version "},      {IDD_RETRIEVE_VERSION, 281, 108, L"Retrieve Version"},
        {IDD_PROGRESS, 204, 55, L"Saving Version..."},   {IDD_ABOUT, 188, 123, L"About Fennory"},
        {IDD_PICK_FOLDER, 190, 134, L""},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE("dialog " + std::to_string(e.id));
        TemplateInfo info;
        ASSERT_TRUE(ReadTemplate(e.id, info));
        EXPECT_EQ(info.cx, e.cx);
        EXPECT_EQ(info.cy, e.cy);
        EXPECT_EQ(info.caption, e.caption);
        EXPECT_EQ(info.font, L"MS Sans Serif");
        EXPECT_EQ(info.pointSize, 8);
    }
    TemplateInfo pick;
    ASSERT_TRUE(ReadTemplate(IDD_PICK_FOLDER, pick));
    EXPECT_EQ(pick.x, 85);
    EXPECT_EQ(pick.y, 39);
}

TEST_F(Dialogs, HistoryPageIsAChildPageWithItsControls)
{
    Dialog page(IDD_HISTORY_PAGE);
    ASSERT_NE(page.get(), nullptr);
    const DWORD style = GetWindowLongA(page.get(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_DISABLED);
    EXPECT_EQ(TextOf(page.get()), "Fennory (TM)");
    ExpectClientSize(page, 227, 198);
    ExpectControls(page, {
        {-1, kIcon, nullptr, 15, 10, -1, -1},
        {1034, kStatic, "Maximum &number of temporary versions:", 106, 9, 64, 19},
        {1035, kEdit, "", -1, -1, -1, -1, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {1003, kUpDown, "", -1, -1, -1, -1, kSpinStyle},
        {1044, kStatic, "", 106, 29, 105, 8},
        {-1, kGroup, "V&ersion History:", 7, 39, 213, 152},
        {1026, kList, "", 15, 54, 196, 91, kOwnerDrawnReport, kListNotWanted},
        {1014, kPush, "&Copy...", 15, 153, 64, 14, WS_TABSTOP},
        {1020, kPush, "&View", 81, 153, 64, 14, WS_TABSTOP},
        {1000, kPush, "&Print History...", 147, 153, 64, 14, WS_TABSTOP},
        {1019, kPush, "&Delete", 15, 169, 64, 14, WS_TABSTOP},
        {1013, kPush, "View &Multiple", 81, 169, 64, 14, WS_TABSTOP},
        {1002, kPush, "A&bout", 147, 169, 64, 14, WS_TABSTOP},
    });
    HWND icon = page.Children()[0];
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0) << "icon 125 not shown";
    RECT iconPlace = page.Place(icon);
    RECT want = page.Pixels(15, 10, 0, 0);
    EXPECT_EQ(iconPlace.left, want.left);
    EXPECT_EQ(iconPlace.top, want.top);
}

TEST_F(Dialogs, SpinBoxesDriveTheirEditWithoutThousandsSeparators)
{
    const struct {
        UINT dialog;
        int spin, edit;
    } pairs[] = {{IDD_HISTORY_PAGE, 1003, 1035}, {IDD_NEW_VERSION, 1000, 1001}};
    for (const auto& p : pairs) {
        SCOPED_TRACE("dialog " + std::to_string(p.dialog));
        Dialog dialog(p.dialog);
        ASSERT_NE(dialog.get(), nullptr);
        HWND spin = dialog.item(p.spin);
        HWND edit = dialog.item(p.edit);
        ASSERT_TRUE(spin && edit);
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0)), edit);
        SendMessageA(spin, UDM_SETRANGE32, 1, 32767);
        SendMessageA(spin, UDM_SETPOS32, 0, 12345);
        EXPECT_EQ(TextOf(edit), "12345");
        // The spin stands at the right edge of its edit box.
        RECT s = dialog.Place(spin), e = dialog.Place(edit);
        EXPECT_LE(abs(s.left - e.right), 2);
        EXPECT_EQ(s.top, e.top);
    }
}

TEST_F(Dialogs, NumberFieldsTakeDigitsOnly)
{
    const struct {
        UINT dialog;
        int edit;
    } fields[] = {{IDD_HISTORY_PAGE, 1035}, {IDD_NEW_VERSION, 1001}};
    for (const auto& f : fields) {
        Dialog dialog(f.dialog);
        ASSERT_NE(dialog.get(), nullptr);
        HWND edit = dialog.item(f.edit);
        SetWindowTextA(edit, "");
        for (char c : std::string("1a2-3"))
            SendMessageA(edit, WM_CHAR, c, 1);
        EXPECT_EQ(TextOf(edit), "123") << "dialog " << f.dialog;
    }
}

TEST_F(Dialogs, SavePropertiesHasPermanentCommentHintAndButtons)
{
    Dialog dialog(IDD_SAVE_PROPERTIES);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "Save Properties");
    EXPECT_TRUE(HasContextHelpButton(dialog));
    ExpectClientSize(dialog, 171, 151);
    ExpectControls(dialog, {
        {1003, kCheck, "&Permanent ", -1, -1, -1, -1, WS_TABSTOP},
        {-1, kStatic, "&Comment:", -1, -1, -1, -1},
        {1004, kEdit, "", -1, -1, -1, -1, ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP},
        {-1, kGroup, "Hint", -1, -1, -1, -1},
        {-1, kStatic,
         "Select Permanent to keep a copy for future use.  Permanent copies are in addition to temporary versions.",
         -1, -1, -1, -1},
        {IDOK, kDefPush, "OK", -1, -1, -1, -1, WS_TABSTOP},
        {IDCANCEL, kPush, "Cancel", -1, -1, -1, -1, WS_TABSTOP},
        {9, kPush, "&Help", -1, -1, -1, -1, WS_TABSTOP},
    });
    EXPECT_EQ(DefaultId(dialog), IDOK);
}

TEST_F(Dialogs, NewVersionHasOptionsAndTheCapField)
{
    Dialog dialog(IDD_NEW_VERSION);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "New Version ");
    EXPECT_TRUE(HasContextHelpButton(dialog));
    ExpectClientSize(dialog, 171, 96);
    ExpectControls(dialog, {
        {1033, kCheck, "&Make first version permanent", -1, -1, -1, -1, WS_TABSTOP},
        {1031, kCheck, "&Use compression", -1, -1, -1, -1, WS_TABSTOP},
        {1032, kCheck, "&Save version to single location", -1, -1, -1, -1, WS_TABSTOP},
        {-1, kStatic, "Maximum &number of temporary versions:", -1, -1, -1, -1},
        {1001, kEdit, "", -1, -1, -1, -1, ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {1000, kUpDown, "", -1, -1, -1, -1, kSpinStyle},
        {IDOK, kDefPush, "OK", -1, -1, -1, -1},
        {IDCANCEL, kPush, "Cancel", -1, -1, -1, -1},
        {9, kPush, "&Help", -1, -1, -1, -1},
    });
    EXPECT_EQ(DefaultId(dialog), IDOK);
}

TEST_F(Dialogs, CopyVersionAsHasPathBrowseAndButtons)
{
    Dialog dialog(IDD_COPY_VERSION);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "Copy");
    EXPECT_TRUE(HasContextHelpButton(dialog));
    ExpectClientSize(dialog, 197, 63);
    ExpectControls(dialog, {
        {-1, kStatic, "&Copy Version As:", 7, 7, 60, 8},
        {1004, kEdit, "", 7, 17, 130, 14, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, ES_MULTILINE},
        {1000, kPush, "&Browse", 140, 17, 50, 14},
        {IDOK, kDefPush, "OK", 36, 42, 50, 14},
        {IDCANCEL, kPush, "Cancel", 88, 42, 50, 14},
        {9, kPush, "&Help", 140, 42, 50, 14},
    });
    EXPECT_EQ(DefaultId(dialog), IDOK);
}

TEST_F(Dialogs, RetrieveVersionStartsWithTheActionsDisabled)
{
    Dialog dialog(IDD_RETRIEVE_VERSION);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "Retrieve Version");
    EXPECT_TRUE(HasContextHelpButton(dialog));
    const DWORD style = GetWindowLongA(dialog.get(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME), (DWORD)(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    ExpectClientSize(dialog, 281, 108);
    ExpectControls(dialog, {
        {1038, kList, "", 7, 7, 209, 94, kOwnerDrawnReport, kListNotWanted},
        {1039, kPush, "&View", 224, 7, 50, 14, WS_DISABLED},
        {1040, kPush, "View &Multiple", 224, 23, 50, 14, WS_DISABLED},
        {1041, kDefPush, "&Retrieve", 224, 39, 50, 14, WS_DISABLED},
        {IDCANCEL, kPush, "Cancel", 224, 55, 50, 14, 0, WS_DISABLED},
        {9, kPush, "&Help", 224, 71, 50, 14, 0, WS_DISABLED},
    });
    EXPECT_EQ(DefaultId(dialog), 1041);
}

TEST_F(Dialogs, ViewMultipleIsResizableWithPlaceholdersAndHiddenSpacers)
{
    Dialog dialog(IDD_VIEW_MULTIPLE);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "View Multiple Versions");
    const DWORD style = GetWindowLongA(dialog.get(), GWL_STYLE);
    const DWORD sizable = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(style & sizable, sizable);
    ExpectClientSize(dialog, 384, 243);
    ExpectControls(dialog, {
        {1017, kStatic, "Version 999", -1, -1, -1, -1, WS_VISIBLE},
        {1028, kStatic, "SGML Doc. Rev 7", -1, -1, -1, -1, WS_VISIBLE},
        {1018, kStatic, "01/01/80 12:59 PM", -1, -1, -1, -1, WS_VISIBLE},
        {1019, kStatic, "Version 999", -1, -1, -1, -1, WS_VISIBLE},
        {1029, kStatic, "SGML Doc. Rev 4", -1, -1, -1, -1, WS_VISIBLE},
        {1020, kStatic, "01/01/80 12:59 PM", -1, -1, -1, -1, WS_VISIBLE},
        {1023, kStatic, "", -1, -1, -1, -1, 0, WS_VISIBLE},
        {1024, kStatic, "", -1, -1, -1, -1, 0, WS_VISIBLE},
        {1025, kStatic, "", -1, -1, -1, -1, 0, WS_VISIBLE},
        {IDCANCEL, kDefPush, "&Close", -1, -1, -1, -1},
        {1048, kPush, "&Help", -1, -1, -1, -1},
    });
    EXPECT_EQ(DefaultId(dialog), IDCANCEL);
    // The layout code stacks the spacers; they must have a height to stack.
    RECT spacer = dialog.Place(dialog.item(1023));
    EXPECT_GT(spacer.bottom - spacer.top, 0);
    RECT label = dialog.Place(dialog.item(1017));
    EXPECT_GT(label.bottom - label.top, 0);
}

TEST_F(Dialogs, ProgressWindowIsAVisiblePopupWithTextBarAndCancel)
{
    Dialog dialog(IDD_PROGRESS);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "Saving Version...");
    const DWORD style = GetWindowLongA(dialog.get(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(IsWindowVisible(dialog.get()));
    ExpectControls(dialog, {
        {1043, kStatic, "", 7, 7, 190, 22, SS_NOPREFIX},
        {1042, kProgress, nullptr, 7, 36, 135, 9},
        {IDCANCEL, kPush, "Cancel", 147, 34, 50, 14},
    });
    // Every control lies inside the window.
    RECT client;
    GetClientRect(dialog.get(), &client);
    for (HWND c : dialog.Children()) {
        RECT r = dialog.Place(c);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
    }
    // The bar takes the range that the code sets.
    SendMessageA(dialog.item(1042), PBM_SETRANGE, 0, MAKELPARAM(0, 5));
    EXPECT_EQ(SendMessageA(dialog.item(1042), PBM_GETRANGE, FALSE, 0), 5);
}

TEST_F(Dialogs, AboutBoxHasIconSevenCentredLinesAndOk)
{
    Dialog dialog(IDD_ABOUT);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "About Fennory");
    EXPECT_TRUE(HasContextHelpButton(dialog));
    ExpectClientSize(dialog, 188, 123);
    ExpectControls(dialog, {
        {-1, kIcon, nullptr, 7, 7, -1, -1},
        {1050, kStatic, "", 28, 7, 132, 8, SS_CENTER},
        {1046, kStatic, "", 28, 21, 132, 8, SS_CENTER},
        {1047, kStatic, "", 28, 34, 132, 8, SS_CENTER},
        {1048, kStatic, "", 28, 42, 132, 8, SS_CENTER},
        {1051, kStatic, "", 28, 58, 132, 8, SS_CENTER},
        {1052, kStatic, "", 28, 67, 132, 19, SS_CENTER},
        {1049, kStatic, "", 28, 90, 132, 8, SS_CENTER},
        {IDOK, kDefPush, "OK", 69, 102, 50, 14},
    });
    EXPECT_NE(SendMessageA(dialog.Children()[0], STM_GETICON, 0, 0), 0) << "icon 115 not shown";
    EXPECT_EQ(DefaultId(dialog), IDOK);
}

TEST_F(Dialogs, FolderPickerShowsFoldersAndDrivesOnly)
{
    Dialog dialog(IDD_PICK_FOLDER);
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(TextOf(dialog.get()), "");
    EXPECT_FALSE(HasContextHelpButton(dialog));
    EXPECT_TRUE(GetWindowLongA(dialog.get(), GWL_STYLE) & WS_POPUP);
    ExpectClientSize(dialog, 190, 134);
    ExpectControls(dialog, {
        {1090, kStatic, "File &name:", -10, 6, 0, 9},
        {1152, kEdit, "", -10, 18, 0, 12, 0, WS_TABSTOP},
        {1120, kListBox, "", -10, 32, 0, 68, 0, WS_TABSTOP},
        {100, kStatic, "Select an I/O filter &folder", -10, 104, 0, 9},
        {1088, kStatic, "", 6, 18, 120, 9},
        {1121, kListBox, "", 6, 32, 120, 68, WS_TABSTOP | LBS_NOTIFY},
        {1089, kStatic, "List files of &type:", -10, 104, 0, 9},
        {1136, kCombo, "", -10, 114, 0, 68, 0, WS_TABSTOP},
        {1091, kStatic, "Dri&ves:", 6, 104, 120, 9},
        {1137, kCombo, "", 6, 114, 120, 68, WS_TABSTOP | CBS_DROPDOWNLIST},
        {IDOK, kDefPush, "OK", 134, 6, 50, 14},
        {IDCANCEL, kPush, "Cancel", 134, 24, 50, 14},
        {1038, kPush, "&Help", 134, 46, 50, 14},
        {1040, kCheck, "&Read only", -10, 68, 0, 12, 0, WS_TABSTOP},
    });
}

// ---- Menu --------------------------------------------------------------------

std::string MenuText(HMENU menu, UINT position)
{
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

using Menus = Resources;

TEST_F(Menus, ViewerMenuHasItsItemsInOrder)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_VIEWER));
    ASSERT_NE(menu, nullptr);
    const struct {
        const char* popup;
        std::vector<std::pair<const char*, int>> items;  // (text, id); null text: separator
    } expected[] = {
        {"&File", {{"&Print...", 40000}, {nullptr, 0}, {"E&xit", 40016}}},
        {"&Edit", {{"&Copy", 40001}}},
        {"&Options", {{"&Display...", 40012}, {"&Print...", 40013}, {"&Clipboard...", 40014}}},
    };
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    for (UINT p = 0; p < 3; ++p) {
        EXPECT_EQ(MenuText(menu, p), expected[p].popup);
        HMENU sub = GetSubMenu(menu, p);
        ASSERT_NE(sub, nullptr);
        ASSERT_EQ(GetMenuItemCount(sub), (int)expected[p].items.size()) << expected[p].popup;
        for (UINT i = 0; i < expected[p].items.size(); ++i) {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID;
            ASSERT_TRUE(GetMenuItemInfoA(sub, i, TRUE, &info));
            if (!expected[p].items[i].first) {
                EXPECT_TRUE(info.fType & MFT_SEPARATOR) << expected[p].popup << " item " << i;
                continue;
            }
            EXPECT_EQ(MenuText(sub, i), expected[p].items[i].first);
            EXPECT_EQ((int)info.wID, expected[p].items[i].second);
        }
    }
    DestroyMenu(menu);
}

// ---- Icons -------------------------------------------------------------------

const UINT kIconIds[] = {IDI_UNCHECKED, IDI_CHECKED, IDI_VIEWER, IDI_ABOUT, IDI_HISTORY};

// The image sizes of an icon group.
std::set<int> IconSizes(UINT id)
{
    std::set<int> sizes;
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    if (!found)
        return sizes;
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    const WORD count = *reinterpret_cast<const WORD*>(p + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = p + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]) << "icon " << id << " image " << i << " is not square";
        sizes.insert(entry[0] ? entry[0] : 256);
    }
    return sizes;
}

// Draws an icon at size x size on white; returns the number of dark pixels
// inside the square [from, to) of the image.
int DarkPixels(HICON icon, int size, int from, int to)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    int dark = 0;
    const DWORD* px = static_cast<const DWORD*>(bits);
    for (int y = from; y < to; ++y)
        for (int x = from; x < to; ++x) {
            DWORD c = px[y * size + x];
            if (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 96)
                ++dark;
        }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return dark;
}

using Icons = Resources;

TEST_F(Icons, EveryIconHasASmallAndALargeImage)
{
    EXPECT_EQ(ResourceNames(MAKEINTRESOURCEA(14)), std::set<UINT>(std::begin(kIconIds), std::end(kIconIds)));
    for (UINT id : kIconIds) {
        EXPECT_EQ(IconSizes(id), (std::set<int>{16, 32})) << "icon " << id;
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            EXPECT_NE(icon, nullptr) << "icon " << id << " at " << size;
            if (icon)
                DestroyIcon(icon);
        }
    }
}

TEST_F(Icons, TheCheckedBoxIsTickedAndTheUncheckedBoxIsEmpty)
{
    for (int size : {16, 32}) {
        HICON unchecked = static_cast<HICON>(
            LoadImageA(Module(), MAKEINTRESOURCEA(IDI_UNCHECKED), IMAGE_ICON, size, size, 0));
        HICON checked =
            static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_CHECKED), IMAGE_ICON, size, size, 0));
        ASSERT_TRUE(unchecked && checked);
        // Inside the box's frame: blank for the empty box, a tick for the other.
        const int from = size / 4 + 1, to = size - size / 4 - 1;
        EXPECT_EQ(DarkPixels(unchecked, size, from, to), 0) << size;
        EXPECT_GE(DarkPixels(checked, size, from, to), size / 2) << size;
        // Both have a frame: dark pixels along the whole image.
        EXPECT_GE(DarkPixels(unchecked, size, 0, size), 2 * size) << size;
        DestroyIcon(unchecked);
        DestroyIcon(checked);
    }
}

TEST_F(Icons, ProductIconsShowArtwork)
{
    for (UINT id : {IDI_VIEWER, IDI_ABOUT, IDI_HISTORY}) {
        HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0));
        ASSERT_NE(icon, nullptr);
        EXPECT_GE(DarkPixels(icon, 32, 0, 32), 40) << "icon " << id;
        DestroyIcon(icon);
    }
}

// ---- Help-id tables ------------------------------------------------------------

struct HelpTable {
    UINT dialog;
    DWORD leading;
    std::vector<std::pair<DWORD, DWORD>> pairs;
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

TEST_F(HelpIdTables, TheModuleHoldsOneTablePerDialog)
{
    std::set<UINT> expected;
    for (const HelpTable& t : kHelpTables)
        expected.insert(t.dialog);
    EXPECT_EQ(ResourceNames(MAKEINTRESOURCEA(RT_HELPIDS)), expected);
}

TEST_F(HelpIdTables, EachTableIsALeadingPairThePairsAndAClosingZero)
{
    for (const HelpTable& t : kHelpTables) {
        SCOPED_TRACE("table " + std::to_string(t.dialog));
        std::vector<DWORD> n = HelpIds(t.dialog);
        ASSERT_EQ(n.size(), 2 + 2 * t.pairs.size() + 1);
        EXPECT_EQ(n[0], 0u);
        EXPECT_EQ(n[1], t.leading);
        for (size_t i = 0; i < t.pairs.size(); ++i) {
            EXPECT_EQ(n[2 + 2 * i], t.pairs[i].first) << "pair " << i;
            EXPECT_EQ(n[3 + 2 * i], t.pairs[i].second) << "pair " << i;
            EXPECT_NE(n[2 + 2 * i], 0u) << "a zero control id would end the table early";
        }
        EXPECT_EQ(n.back(), 0u);
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
        for (const auto& pair : t.pairs) {
            if (absent.count({t.dialog, pair.first})) {
                EXPECT_EQ(dialog.item(pair.first), nullptr) << t.dialog << "/" << pair.first;
            } else {
                EXPECT_NE(dialog.item(pair.first), nullptr) << "dialog " << t.dialog << " lacks " << pair.first;
            }
        }
    }
}

}  // namespace
