// The class factory, the extension object's interfaces and the module count,
// through FENNORY.DLL's exports.
#include <shlobj.h>

#include "shell_fixture.h"

namespace fytest {
namespace {

using ComServerTest = ShellTest;

TEST_F(ComServerTest, FactoryRefusesWhatItCannotMakeAndLeavesNothingBehind)
{
    const CLSID otherClass = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x65}};
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(module_.GetClassObject(otherClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module_.GetClassObject(kFennoryClass, IID_IClassFactory, nullptr), E_POINTER);

    // A factory asked for an interface it lacks is gone at once.
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(module_.GetClassObject(kFennoryClass, IID_IDropTarget, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module_.CanUnloadNow(), S_OK);

    Com<IClassFactory> factory;
    ASSERT_EQ(module_.GetClassObject(kFennoryClass, IID_IClassFactory, factory.Out()), S_OK);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    Com<IUnknown> unknown;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, unknown.Out()), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(factory.Get()));
    unknown.Reset();

    // So is an extension object that does not give the interface asked for.
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDropTarget, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);

    // Locking changes nothing: once the factory goes, the module may go.
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory.Reset(), 0u);
}

TEST_F(ComServerTest, OneObjectFourInterfacesOneCount)
{
    Com<IShellExtInit> init;
    ASSERT_EQ(module_.Create(IID_IShellExtInit, init.Out()), S_OK);
    Com<IUnknown> unknown;
    ASSERT_EQ(init->QueryInterface(IID_IUnknown, unknown.Out()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(init.Get()));

    Com<IContextMenu> menu;
    Com<IShellPropSheetExt> sheet;
    Com<ICopyHookA> hook;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.Out()), S_OK);
    ASSERT_EQ(menu->QueryInterface(IID_IShellPropSheetExt, sheet.Out()), S_OK);
    ASSERT_EQ(sheet->QueryInterface(IID_IShellCopyHookA, hook.Out()), S_OK);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(hook->QueryInterface(IID_IShellCopyHookW, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(hook->QueryInterface(IID_IContextMenu, nullptr), E_POINTER);

    // Every folder operation goes ahead.
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_DELETE, 0, "C:\\a", FILE_ATTRIBUTE_DIRECTORY, nullptr, 0), 6u);
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_MOVE, 0, "C:\\a", 0, "C:\\b", 0), 6u);
    EXPECT_EQ(sheet->ReplacePage(EXPPS_FILETYPES, nullptr, 0), E_FAIL);

    // Five references on one object: each release counts down the same count.
    EXPECT_EQ(hook.Reset(), 4u);
    EXPECT_EQ(sheet.Reset(), 3u);
    EXPECT_EQ(menu.Reset(), 2u);
    EXPECT_EQ(unknown.Reset(), 1u);
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(init.Reset(), 0u);
}

TEST_F(ComServerTest, InitializeRefusesWhatHoldsNoFiles)
{
    std::string a = MakeFile("a.txt", "a");
    Com<IShellExtInit> init;
    ASSERT_EQ(module_.Create(IID_IShellExtInit, init.Out()), S_OK);
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_FAIL);
    Com<IDataObject> empty;
    *empty.Out() = AnsiDropObject({});
    EXPECT_EQ(init->Initialize(nullptr, empty.Get(), nullptr), E_FAIL);
    // A drop of a path too long for the 260-byte field adds nothing.
    Com<IDataObject> tooLong;
    *tooLong.Out() = AnsiDropObject({scratch_.Path() + "\\" + std::string(260, 'x')});
    EXPECT_EQ(init->Initialize(nullptr, tooLong.Get(), nullptr), E_FAIL);

    // Nothing was selected: versioning on, yet no popup.
    Com<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.Out()), S_OK);
    HMENU shellMenu = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(shellMenu, 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(0, 0, 5));
    EXPECT_EQ(GetMenuItemCount(shellMenu), 0);
    DestroyMenu(shellMenu);

    // The object keeps the data objects it was given until it goes.
    Com<IDataObject> drop;
    *drop.Out() = AnsiDropObject({a});
    EXPECT_EQ(init->Initialize(nullptr, drop.Get(), nullptr), S_OK);
    EXPECT_EQ(drop->AddRef(), 3u);
    drop->Release();
    menu.Reset();
    init.Reset();
    EXPECT_EQ(drop->AddRef(), 2u);
    drop->Release();
}

}  // namespace
}  // namespace fytest
