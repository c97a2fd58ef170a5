// The extension object's life and its shared IUnknown.
#include "shell_ext.h"

#include "archive_file.h"
#include "server.h"
#include "trace.h"

CShellExt::CShellExt()
{
    Trace("CShellExt::CShellExt()\r\n");
    ModuleAddRef();
}

// The held data object goes first, then the page's archive, then the
// selection; the module count drops last.
CShellExt::~CShellExt()
{
    if (dataObject_)
        dataObject_->Release();
    delete pageArchive_;
    selection_.Clear();
    ModuleRelease();
}

STDMETHODIMP CShellExt::QueryInterface(REFIID riid, void** out)
{
    // The interface asked for is traced before the out pointer is checked, so
    // even a call that fails at once leaves its line.
    void* found = nullptr;
    if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IUnknown)) {
        Trace("CShellExt::QueryInterface()==>IID_IShellExtInit\r\n");
        found = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
        Trace("CShellExt::QueryInterface()==>IID_IContextMenu\r\n");
        found = static_cast<IContextMenu*>(this);
    } else if (IsEqualIID(riid, IID_IShellPropSheetExt)) {
        Trace("CShellExt::QueryInterface()==>IShellPropSheetExt\r\n");
        found = static_cast<IShellPropSheetExt*>(this);
    } else if (IsEqualIID(riid, IID_IShellCopyHookA)) {
        Trace("CShellExt::QueryInterface()==>ICopyHook\r\n");
        found = static_cast<ICopyHookA*>(this);
    } else {
        Trace("CShellExt::QueryInterface()==>Unknown Interface!\r\n");
    }
    if (!out)
        return E_POINTER;
    *out = found;
    if (!found)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShellExt::AddRef()
{
    Trace("CShellExt::AddRef()\r\n");
    return InterlockedIncrement(&refCount_);
}

STDMETHODIMP_(ULONG) CShellExt::Release()
{
    Trace("CShellExt::Release()\r\n");
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0)
        delete this;
    return count;
}
