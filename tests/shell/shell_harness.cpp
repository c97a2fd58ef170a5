#include "shell_harness.h"

#include <shlobj.h>

#include <cstring>

namespace fytest {

const CLSID kFennoryClass = {0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x64}};

FennoryModule::FennoryModule()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    strcpy(strrchr(path, '\\') + 1, "FENNORY.DLL");
    module_ = LoadLibraryA(path);
    EXPECT_NE(module_, nullptr) << path;
    if (!module_)
        return;
    getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(GetProcAddress(module_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(GetProcAddress(module_, "DllCanUnloadNow"));
    EXPECT_NE(getClassObject_, nullptr);
    EXPECT_NE(canUnloadNow_, nullptr);
}

FennoryModule::~FennoryModule()
{
    if (module_)
        FreeLibrary(module_);
}

HRESULT FennoryModule::GetClassObject(REFCLSID clsid, REFIID riid, void** out) const
{
    return getClassObject_ ? getClassObject_(clsid, riid, out) : E_FAIL;
}

HRESULT FennoryModule::CanUnloadNow() const
{
    return canUnloadNow_ ? canUnloadNow_() : E_FAIL;
}

HRESULT FennoryModule::Create(REFIID riid, void** out) const
{
    Com<IClassFactory> factory;
    HRESULT result = GetClassObject(kFennoryClass, IID_IClassFactory, factory.Out());
    if (FAILED(result))
        return result;
    return factory->CreateInstance(nullptr, riid, out);
}

IDataObject* ShellDataObject(const std::vector<std::string>& paths)
{
    Com<IShellFolder> desktop;
    EXPECT_EQ(SHGetDesktopFolder(reinterpret_cast<IShellFolder**>(desktop.Out())), S_OK);
    std::string folderPath = paths.front().substr(0, paths.front().rfind('\\'));
    std::vector<LPITEMIDLIST> items;
    LPITEMIDLIST folderList = nullptr;
    Com<IShellFolder> folder;
    IDataObject* data = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folderPath.c_str(), -1, wide, MAX_PATH);
    if (desktop && SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &folderList, nullptr))
        && SUCCEEDED(desktop->BindToObject(folderList, nullptr, IID_IShellFolder, folder.Out()))) {
        for (const std::string& path : paths) {
            MultiByteToWideChar(CP_ACP, 0, path.substr(path.rfind('\\') + 1).c_str(), -1, wide, MAX_PATH);
            LPITEMIDLIST item = nullptr;
            if (SUCCEEDED(folder->ParseDisplayName(nullptr, nullptr, wide, nullptr, &item, nullptr)))
                items.push_back(item);
        }
        folder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()),
                              const_cast<LPCITEMIDLIST*>(reinterpret_cast<LPITEMIDLIST*>(items.data())),
                              IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    }
    for (LPITEMIDLIST item : items)
        CoTaskMemFree(item);
    CoTaskMemFree(folderList);
    EXPECT_EQ(items.size(), paths.size());
    EXPECT_NE(data, nullptr) << "the shell made no data object for " << folderPath;
    return data;
}

namespace {

class AnsiDrop final : public IDataObject {
public:
    explicit AnsiDrop(const std::vector<std::string>& paths) : paths_(paths) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++count_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG count = --count_;
        if (count == 0)
            delete this;
        return count;
    }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        size_t size = sizeof(DROPFILES) + 2;
        for (const std::string& path : paths_)
            size += path.size() + 1;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = FALSE;
        char* names = reinterpret_cast<char*>(drop + 1);
        for (const std::string& path : paths_) {
            memcpy(names, path.c_str(), path.size() + 1);
            names += path.size() + 1;
        }
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<std::string> paths_;
    ULONG count_ = 1;
};

}  // namespace

IDataObject* AnsiDropObject(const std::vector<std::string>& paths)
{
    return new AnsiDrop(paths);
}

std::vector<MenuItem> ReadMenu(HMENU menu)
{
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int index = 0; index < count; ++index) {
        char text[256] = {};
        MENUITEMINFOA info = {sizeof(info)};
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, index, TRUE, &info);
        MenuItem item;
        item.text = text;
        item.id = info.wID;
        item.greyed = (info.fState & MFS_GRAYED) != 0;
        if (info.hSubMenu)
            item.submenu = ReadMenu(info.hSubMenu);
        items.push_back(item);
    }
    return items;
}

}  // namespace fytest
