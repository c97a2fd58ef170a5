// The extension object as the shell uses it: the class factory, its interfaces, the module count, the trace
// lines a debugger reads, the history page Explorer asks for, and the context menu (a real menu, its enabling
// rules, help texts and each command offset invoked).
#include "shell_harness.h"

#include <shlobj.h>
#include <commctrl.h>
#include <prsht.h>
#include <wrl/client.h>

#include <cstring>

namespace fytest {
namespace {

// {6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}, written out here on purpose.
const CLSID kFennoryClass = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x64}};

// An owned interface pointer; Reset gives the count Release returned, &pointer releases and hands out its address.
template <class T>
using Com = Microsoft::WRL::ComPtr<T>;

// Asks Wine's shell for riid on files of one folder, as Explorer's view does (IDataObject: its Unicode drop list).
void ShellObjectOf(const std::vector<std::string>& paths, REFIID riid, void** out)
{
    std::vector<LPITEMIDLIST> items(paths.size());
    std::vector<LPCITEMIDLIST> children(paths.size());
    Com<IShellFolder> folder;
    HRESULT result = S_OK;
    for (size_t i = 0; i < paths.size() && SUCCEEDED(result); ++i) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, paths[i].c_str(), -1, wide, MAX_PATH);
        result = SHParseDisplayName(wide, nullptr, &items[i], 0, nullptr);
        if (SUCCEEDED(result))
            result = SHBindToParent(items[i], IID_IShellFolder, &folder, &children[i]);
    }
    if (SUCCEEDED(result))
        result = folder->GetUIObjectOf(nullptr, static_cast<UINT>(paths.size()), children.data(), riid, nullptr, out);
    EXPECT_EQ(result, S_OK) << "the shell has no object for " << paths.front();
    for (LPITEMIDLIST item : items)
        CoTaskMemFree(item);
}

// Gives riid on a data object serving an ANSI drop list (fWide 0) of paths, in the order given.
void AnsiDropOf(const std::vector<std::string>& paths, REFIID riid, void** out)
{
    std::string names;
    for (const std::string& path : paths)
        names += path + '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(drop + 1, names.data(), names.size());
    GlobalUnlock(memory);
    // The clipboard takes the drop list; OLE serves the clipboard as a data object.
    EXPECT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && SetClipboardData(CF_HDROP, memory));
    CloseClipboard();
    Com<IDataObject> data;
    EXPECT_EQ(OleGetClipboard(&data), S_OK);
    if (data.Get())
        data->QueryInterface(riid, out);
}

// A menu in one line: items split by '|', each its text and '#' id (a leading '-' when greyed) or
// '>' and its submenu in brackets, such as "Open#1|&Fennory>[&Save...#100|-&History...#101]".
std::string DescribeMenu(HMENU menu)
{
    std::string line;
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
        char text[256] = {};
        MENUITEMINFOA info = {sizeof(info), MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU};
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, index, TRUE, &info);
        line += std::string(index ? "|" : "") + ((info.fState & MFS_GRAYED) ? "-" : "") + text;
        if (info.hSubMenu)
            line += ">[" + DescribeMenu(info.hSubMenu) + "]";
        else
            line += "#" + std::to_string(info.wID);
    }
    return line;
}

class ComServerTest : public ShellTest {
protected:
    // A new extension object as the shell makes it, handing out riid.
    HRESULT Create(REFIID riid, void** out) const
    {
        Com<IClassFactory> factory;
        HRESULT result = module_.GetClassObject(kFennoryClass, IID_IClassFactory, &factory);
        return FAILED(result) ? result : factory->CreateInstance(nullptr, riid, out);
    }

    // An extension object initialised with paths as the shell does it (or with an ANSI drop list).
    template <class T>
    void MakeInitialised(Com<T>& object, REFIID riid, const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IShellExtInit> init;
        ASSERT_EQ(Create(IID_IShellExtInit, &init), S_OK);
        Com<IDataObject> data;
        (ansi ? AnsiDropOf : ShellObjectOf)(paths, IID_IDataObject, &data);
        ASSERT_NE(data.Get(), nullptr);
        ASSERT_EQ(init->Initialize(nullptr, data.Get(), nullptr), S_OK);
        ASSERT_EQ(init->QueryInterface(riid, &object), S_OK);
    }

    // QueryContextMenu on a shell menu holding one item of its own, at
    // position 1 with ids from 100: the offset count returned, ':', the menu.
    std::string Query(IContextMenu* menu, UINT flags = CMF_NORMAL)
    {
        HMENU shellMenu = CreatePopupMenu();
        AppendMenuA(shellMenu, MF_STRING, 1, "Open");
        HRESULT result = menu->QueryContextMenu(shellMenu, 1, 100, 200, flags);
        EXPECT_TRUE(SUCCEEDED(result));
        std::string line = std::to_string(HRESULT_CODE(result)) + ":" + DescribeMenu(shellMenu);
        DestroyMenu(shellMenu);
        return line;
    }

    std::string MenuFor(const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IContextMenu> menu;
        MakeInitialised(menu, IID_IContextMenu, paths, ansi);
        return menu.Get() ? Query(menu.Get()) : "";
    }

    HRESULT Invoke(IContextMenu* menu, int offset)
    {
        CMINVOKECOMMANDINFO info = {sizeof(info)};
        info.lpVerb = MAKEINTRESOURCEA(offset);
        return menu->InvokeCommand(&info);
    }
};

TEST_F(ComServerTest, FactoryAndInitializeRefuseWhatTheyCannotTakeAndLeaveNothingBehind)
{
    const CLSID otherClass = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x65}};
    void* out = &out;
    EXPECT_EQ(module_.GetClassObject(otherClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module_.GetClassObject(kFennoryClass, IID_IClassFactory, nullptr), E_POINTER);
    // A factory asked for an interface it lacks is gone at once.
    out = &out;
    EXPECT_EQ(module_.GetClassObject(kFennoryClass, IID_IDropTarget, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module_.CanUnloadNow(), S_OK);

    Com<IClassFactory> factory;
    ASSERT_EQ(module_.GetClassObject(kFennoryClass, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    // So is an extension object that does not give the interface asked for.
    out = &out;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDropTarget, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    out = &out;
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory.Reset(), 0u);

    // Initialize: an empty drop, and a path too long for the 260-byte field, add nothing.
    Com<IShellExtInit> init;
    ASSERT_EQ(Create(IID_IShellExtInit, &init), S_OK);
    for (const std::vector<std::string>& paths : {std::vector<std::string>{}, {"S:\\" + std::string(257, 'x')}}) {
        Com<IDataObject> drop;
        AnsiDropOf(paths, IID_IDataObject, &drop);
        EXPECT_EQ(init->Initialize(nullptr, drop.Get(), nullptr), E_FAIL);
    }
    // The object keeps the data object it was given, once, until it goes.
    Com<IDataObject> drop;
    ShellObjectOf({MakeFile("a.txt", "a")}, IID_IDataObject, &drop);
    EXPECT_EQ(init->Initialize(nullptr, drop.Get(), nullptr), S_OK);
    EXPECT_EQ(init->Initialize(nullptr, drop.Get(), nullptr), S_OK);
    EXPECT_EQ(drop->AddRef(), 3u);
    drop->Release();
    init.Reset();
    EXPECT_EQ(drop->AddRef(), 2u);
    drop->Release();
}

// The lines the module writes for a debugger, caught as they are raised.
std::vector<std::string> g_trace;

LONG CALLBACK CatchTrace(EXCEPTION_POINTERS* exception)
{
    if (exception->ExceptionRecord->ExceptionCode == DBG_PRINTEXCEPTION_C)
        g_trace.push_back(reinterpret_cast<const char*>(exception->ExceptionRecord->ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_SEARCH;
}

// One object gives the four interfaces under one count; each COM entry, loading to unloading, writes a trace line.
TEST(ComServer, OneObjectFourInterfacesOneCountOneTraceLineEach)
{
    PVOID handler = AddVectoredExceptionHandler(1, CatchTrace);
    {
        FennoryModule module;
        Com<IClassFactory> factory;
        Com<IShellExtInit> init;
        Com<IUnknown> unknown;
        Com<IContextMenu> menu;
        Com<ICopyHookA> hook;
        Com<IShellPropSheetExt> sheet;
        ASSERT_EQ(module.GetClassObject(kFennoryClass, IID_IClassFactory, &factory), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, &init), S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);   // holds nothing: the module unloads at the end
        EXPECT_EQ(factory.Reset(), 0u);
        EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL);
        ASSERT_EQ(init->QueryInterface(IID_IUnknown, &unknown), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(init.Get()));
        ASSERT_EQ(init->QueryInterface(IID_IContextMenu, &menu), S_OK);
        // Nothing is selected: no popup.
        HMENU shellMenu = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(shellMenu, 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(0, 0, 5));
        EXPECT_EQ(DescribeMenu(shellMenu), "");
        DestroyMenu(shellMenu);
        char text[100];
        EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof(text)), S_OK);
        CMINVOKECOMMANDINFO info = {sizeof(info)};
        info.lpVerb = "open";
        EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
        void* out = &out;
        EXPECT_EQ(menu->QueryInterface(IID_IShellCopyHookW, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(menu->QueryInterface(IID_IContextMenu, nullptr), E_POINTER);
        ASSERT_EQ(menu->QueryInterface(IID_IShellCopyHookA, &hook), S_OK);
        // Every folder operation goes ahead (IDYES).
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_DELETE, 0, "C:\\a", FILE_ATTRIBUTE_DIRECTORY, nullptr, 0), 6u);
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_MOVE, 0, "C:\\a", 0, "C:\\b", 0), 6u);
        ASSERT_EQ(hook->QueryInterface(IID_IShellPropSheetExt, &sheet), S_OK);
        EXPECT_EQ(sheet->ReplacePage(EXPPS_FILETYPES, nullptr, 0), E_FAIL);
        // Five references on one object: each release counts down the same count.
        EXPECT_EQ(hook.Reset(), 4u);
        EXPECT_EQ(sheet.Reset(), 3u);
        EXPECT_EQ(menu.Reset(), 2u);
        EXPECT_EQ(unknown.Reset(), 1u);
        EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
        EXPECT_EQ(init.Reset(), 0u);
        EXPECT_EQ(module.CanUnloadNow(), S_OK);
    }
    RemoveVectoredExceptionHandler(handler);
    std::vector<std::string> expected = {
        "In DLLMain, DLL_PROCESS_ATTACH", "In DllGetClassObject", "CShellExtClassFactory::CShellExtClassFactory()",
        "CShellExtClassFactory::QueryInterface()", "CShellExtClassFactory::CreateInstance()", "CShellExt::CShellExt()",
        "CShellExt::QueryInterface()==>IID_IShellExtInit", "CShellExt::AddRef()",
        "CShellExtClassFactory::LockServer()", "CShellExt::Initialize()",
        "CShellExt::QueryInterface()==>IID_IShellExtInit", "CShellExt::AddRef()",
        "CShellExt::QueryInterface()==>IID_IContextMenu", "CShellExt::AddRef()", "CShellExt::QueryContextMenu()",
        "CShellExt::GetCommandString()", "CShellExt::InvokeCommand()",
        "CShellExt::QueryInterface()==>Unknown Interface!", "CShellExt::QueryInterface()==>IID_IContextMenu",
        "CShellExt::QueryInterface()==>ICopyHook",
        "CShellExt::AddRef()", "CShellExt::CopyCallback", "CShellExt::CopyCallback",
        "CShellExt::QueryInterface()==>IShellPropSheetExt", "CShellExt::AddRef()", "CShellExt::ReplacePage()",
        "CShellExt::Release()", "CShellExt::Release()", "CShellExt::Release()", "CShellExt::Release()",
        "In DLLCanUnloadNow", "CShellExt::Release()", "In DLLCanUnloadNow", "In DLLMain, DLL_PROCESS_DETACH"};
    for (std::string& line : expected)
        line += "\r\n";
    EXPECT_EQ(g_trace, expected);
}

// Collects the pages AddPages offers into a vector, or refuses them when there is none.
BOOL CALLBACK Collect(HPROPSHEETPAGE page, LPARAM pages)
{
    if (pages)
        reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(pages)->push_back(page);
    return pages != 0;
}

// The popup with its items greyed as marked: '-' before save, history, File.
std::string Popup(const char* save, const char* history, const char* file)
{
    return std::string("5:Open#1|&Fennory>[") + save + "&Save...#100|" + history + "&History...#101|" + file +
           "&File>[&Move...#102|&Copy...#103|&Delete...#104]]";
}

// The menu's items and the history page follow the selection.
TEST_F(ComServerTest, ItemsAndTheHistoryPageFollowTheSelection)
{
    const std::string kept = FileWithArchive("kept.txt"), plain = MakeFile("plain.txt", "plain");
    const std::string damaged = MakeFile("damaged.txt", "damaged"), gone = MakeFile("gone.txt", "gone");
    WriteFileText("S:\\S$$DAMAGED$TXT.fy", "not an archive");
    CreateDirectoryA("S:\\folder", nullptr);

    EXPECT_EQ(MenuFor({kept}), Popup("", "", ""));
    EXPECT_EQ(MenuFor({kept}, true), Popup("", "", ""));
    EXPECT_EQ(MenuFor({plain}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({plain, kept}), Popup("", "-", ""));
    EXPECT_EQ(MenuFor({"S:\\folder"}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({damaged}), Popup("", "", ""));
    // A file removed after the selection was made counts as a folder.
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {gone});
    DeleteFileA(gone.c_str());
    EXPECT_EQ(Query(menu.Get()), Popup("", "-", "-"));
    // Asked for the default item or the verbs only: nothing, no offsets.
    EXPECT_EQ(Query(menu.Get(), CMF_DEFAULTONLY), "0:Open#1");
    EXPECT_EQ(Query(menu.Get(), CMF_VERBSONLY), "0:Open#1");
    menu.Reset();

    // Only one file with an archive, damaged or not, gets the history page; it holds the object while its
    // sheet lives.
    const std::pair<std::vector<std::string>, size_t> cases[] = {
        {{kept}, 1}, {{damaged}, 1}, {{plain}, 0},
        {{kept, FileWithArchive("other.txt")}, 0}, {{FileWithArchive("link.lnk")}, 0}};
    for (const auto& [paths, count] : cases) {
        Com<IShellPropSheetExt> extension;
        MakeInitialised(extension, IID_IShellPropSheetExt, paths);
        std::vector<HPROPSHEETPAGE> pages;
        EXPECT_EQ(extension->AddPages(Collect, reinterpret_cast<LPARAM>(&pages)), S_OK);
        EXPECT_EQ(pages.size(), count) << paths.front();
        for (HPROPSHEETPAGE page : pages)
            DestroyPropertySheetPage(page);
    }
    std::vector<HPROPSHEETPAGE> pages;
    {
        Com<IShellPropSheetExt> extension;
        MakeInitialised(extension, IID_IShellPropSheetExt, {kept});
        EXPECT_EQ(extension->AddPages(nullptr, 0), S_OK);
        // A refused page is destroyed and lets the object go.
        EXPECT_EQ(extension->AddPages(Collect, 0), S_OK);
        ASSERT_EQ(extension->AddPages(Collect, reinterpret_cast<LPARAM>(&pages)), S_OK);
        // A second request while the page lives adds nothing.
        ASSERT_EQ(extension->AddPages(Collect, reinterpret_cast<LPARAM>(&pages)), S_OK);
        ASSERT_EQ(pages.size(), 1u);
    }
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    PROPSHEETHEADERA header = {sizeof(header), PSH_MODELESS};
    header.pszCaption = "kept.txt Properties";
    header.nPages = 1;
    header.phpage = pages.data();
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    DestroyWindow(sheet);

    settings_.SetString("VersionExclude", "txt,doc");
    EXPECT_EQ(MenuFor({plain}), "5:Open#1");
    EXPECT_EQ(MenuFor({kept}), Popup("-", "", "-"));
    settings_.Remove("EnableVersionControl");
    EXPECT_EQ(MenuFor({kept}), "5:Open#1");
}

// Save works on an ANSI drop in reverse order; then each offset of one file's menu has its help text and command.
TEST_F(ComServerTest, SaveWorksOnTheDroppedFilesInReverseOrderAndEachOffsetReachesItsCommand)
{
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {MakeFile("a.txt", "a"), MakeFile("b.txt", "b"), MakeFile("c.txt", "c")},
                    true);
    {
        ProgressWatcher watcher;
        DialogDriver driver("New Version - Multiple Files", IDOK);
        EXPECT_EQ(Invoke(menu.Get(), 0), S_OK);
        driver.Join();
        EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning S:\\c.txt", "Versioning S:\\b.txt",
                                                           "Versioning S:\\a.txt"}));
    }
    EXPECT_EQ(ReadStoredVersions("S:\\S$$B$TXT.fy").size(), 1u);

    const std::string kept = FileWithArchive("kept.txt", 2);
    MakeInitialised(menu, IID_IContextMenu, {kept});
    const char* texts[] = {"Save a version of this file", "Retrieve the version history of this file",
                           "Move this file and its version(s)", "Copy this file and its version(s)",
                           "Delete this file and its version(s)"};
    char buffer[100];
    for (UINT offset = 0; offset < 5; ++offset) {
        EXPECT_EQ(menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, buffer, sizeof(buffer)), S_OK);
        EXPECT_STREQ(buffer, texts[offset]);
    }
    EXPECT_EQ(menu->GetCommandString(3, GCS_HELPTEXTA, nullptr, buffer, 6), S_OK);
    EXPECT_STREQ(buffer, "Copy ");
    // Anything else leaves the buffer alone.
    const std::pair<UINT, UINT> others[] = {
        {1, GCS_VERBA}, {1, GCS_VALIDATEA}, {1, GCS_HELPTEXTW}, {1, GCS_VERBW}, {5, GCS_HELPTEXTA}};
    for (const auto& [offset, type] : others) {
        strcpy(buffer, "untouched");
        EXPECT_EQ(menu->GetCommandString(offset, type, nullptr, buffer, sizeof(buffer)), S_OK);
        EXPECT_STREQ(buffer, "untouched");
    }
    EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, nullptr, 0), S_OK);

    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = "properties";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    EXPECT_EQ(Invoke(menu.Get(), 5), E_INVALIDARG);
    EXPECT_EQ(menu->InvokeCommand(nullptr), E_INVALIDARG);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(Invoke(menu.Get(), 0), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "S:\\kept.txt\nWorking file is not newer than latest version.");
    }
    const char* dialogs[] = {"Version History - kept.txt", "Move S:\\kept.txt To", "Copy S:\\kept.txt To"};
    for (int offset : {1, 2, 3}) {
        DialogDriver driver(dialogs[offset - 1], IDCANCEL);
        EXPECT_EQ(Invoke(menu.Get(), offset), S_OK);
    }
    MessageBoxAnswerer answerer({IDNO});
    EXPECT_EQ(Invoke(menu.Get(), 4), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text,
              "Are you sure you want to delete S:\\kept.txt and all its associated versions?");
    EXPECT_TRUE(PathExists(kept));
}

}  // namespace
}  // namespace fytest
