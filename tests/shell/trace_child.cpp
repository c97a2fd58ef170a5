// Walks the module's COM entries once, for a debugger to read the trace lines
// they write: the factory, the extension object's interfaces, the unload
// question, the unload.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

int main()
{
    const CLSID fennory = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x64}};
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    strcpy(strrchr(path, '\\') + 1, "FENNORY.DLL");
    HMODULE module = LoadLibraryA(path);
    if (!module)
        return 1;
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        GetProcAddress(module, "DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(module, "DllCanUnloadNow"));

    IClassFactory* factory = nullptr;
    getClassObject(fennory, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    IShellExtInit* init = nullptr;
    factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    factory->LockServer(TRUE);
    factory->Release();
    init->Initialize(nullptr, nullptr, nullptr);

    IContextMenu* menu = nullptr;
    init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    HMENU shellMenu = CreatePopupMenu();
    menu->QueryContextMenu(shellMenu, 0, 1, 10, CMF_DEFAULTONLY);
    DestroyMenu(shellMenu);
    char text[100];
    menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof(text));
    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = "open";
    menu->InvokeCommand(&info);

    void* unknown = nullptr;
    menu->QueryInterface(IID_IDropTarget, &unknown);
    ICopyHookA* hook = nullptr;
    menu->QueryInterface(IID_IShellCopyHookA, reinterpret_cast<void**>(&hook));
    hook->CopyCallback(nullptr, FO_COPY, 0, "C:\\a", FILE_ATTRIBUTE_DIRECTORY, "C:\\b", 0);
    hook->Release();
    IShellPropSheetExt* sheet = nullptr;
    menu->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheet));
    sheet->ReplacePage(EXPPS_FILETYPES, nullptr, 0);
    sheet->Release();
    menu->Release();
    init->Release();

    canUnloadNow();
    FreeLibrary(module);
    return 0;
}
