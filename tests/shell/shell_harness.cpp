#include "shell_harness.h"

#include <cstring>

namespace fytest {

const CLSID kFennoryClass = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x64}};

FennoryModule::FennoryModule()
    : handle(LoadLibraryA(BesideTestProgram("FENNORY.DLL").c_str())),
      GetClassObject(reinterpret_cast<decltype(GetClassObject)>(
          reinterpret_cast<void*>(GetProcAddress(handle, "DllGetClassObject")))),
      CanUnloadNow(reinterpret_cast<decltype(CanUnloadNow)>(
          reinterpret_cast<void*>(GetProcAddress(handle, "DllCanUnloadNow"))))
{
}

HRESULT FennoryModule::Create(REFIID riid, void** out) const
{
    Com<IClassFactory> factory;
    HRESULT result = GetClassObject(kFennoryClass, IID_IClassFactory, factory.Out());
    return FAILED(result) ? result : factory->CreateInstance(nullptr, riid, out);
}

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
            result = SHBindToParent(items[i], IID_IShellFolder, folder.Out(), &children[i]);
    }
    if (SUCCEEDED(result))
        result = folder->GetUIObjectOf(nullptr, static_cast<UINT>(paths.size()), children.data(), riid, nullptr, out);
    EXPECT_EQ(result, S_OK) << "the shell has no object for " << paths.front();
    for (LPITEMIDLIST item : items)
        CoTaskMemFree(item);
}

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
    EXPECT_EQ(OleGetClipboard(reinterpret_cast<IDataObject**>(data.Out())), S_OK);
    if (data.Get())
        data->QueryInterface(riid, out);
}

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

}  // namespace fytest
