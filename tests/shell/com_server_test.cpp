// The class factory, the extension object's interfaces, the module count, the
// trace lines a debugger reads, and the history page as Explorer asks for it.
#include "shell_harness.h"

#include <commctrl.h>
#include <prsht.h>

namespace fytest {
namespace {

using ComServerTest = ShellTest;

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
    ASSERT_EQ(module_.GetClassObject(kFennoryClass, IID_IClassFactory, factory.Out()), S_OK);
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
    ASSERT_EQ(module_.Create(IID_IShellExtInit, init.Out()), S_OK);
    for (const std::vector<std::string>& paths : {std::vector<std::string>{}, {"S:\\" + std::string(257, 'x')}}) {
        Com<IDataObject> drop;
        AnsiDropOf(paths, IID_IDataObject, drop.Out());
        EXPECT_EQ(init->Initialize(nullptr, drop.Get(), nullptr), E_FAIL);
    }
    // The object keeps the data object it was given, once, until it goes.
    Com<IDataObject> drop;
    ShellObjectOf({MakeFile("a.txt", "a")}, IID_IDataObject, drop.Out());
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
        ASSERT_EQ(module.GetClassObject(kFennoryClass, IID_IClassFactory, factory.Out()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, init.Out()), S_OK);
        EXPECT_EQ(factory->LockServer(TRUE), S_OK);   // holds nothing: the module unloads at the end
        EXPECT_EQ(factory.Reset(), 0u);
        EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL);
        ASSERT_EQ(init->QueryInterface(IID_IUnknown, unknown.Out()), S_OK);
        EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(init.Get()));
        ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.Out()), S_OK);
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
        ASSERT_EQ(menu->QueryInterface(IID_IShellCopyHookA, hook.Out()), S_OK);
        // Every folder operation goes ahead (IDYES).
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_DELETE, 0, "C:\\a", FILE_ATTRIBUTE_DIRECTORY, nullptr, 0), 6u);
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_MOVE, 0, "C:\\a", 0, "C:\\b", 0), 6u);
        ASSERT_EQ(hook->QueryInterface(IID_IShellPropSheetExt, sheet.Out()), S_OK);
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

// Only one file with an archive, damaged or not, gets the history page; it holds the object while its sheet lives.
TEST_F(ComServerTest, HistoryPageForOneFileWithAnArchiveHoldsTheObject)
{
    const std::string kept = FileWithArchive("kept.txt", 3), damaged = MakeFile("damaged.txt", "damaged");
    WriteFileText("S:\\S$$DAMAGED$TXT.fy", "not an archive");
    const std::pair<std::vector<std::string>, size_t> cases[] = {
        {{kept}, 1}, {{damaged}, 1}, {{MakeFile("plain.txt", "plain")}, 0},
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
}

}  // namespace
}  // namespace fytest
