#include "server.h"
#include "shell_ext.h"
#include "trace.h"

// {6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}
const CLSID CLSID_FennoryShellExtension = {
    0x6d1a4f82, 0x93c5, 0x4b7e, {0xa2, 0xd0, 0x5e, 0x8f, 0x17, 0xc3, 0xb9, 0x64}};

const char kShellExtensionName[] = "Fennory Shell Extension";

UINT g_objectCount = 0;

// Explorer may create and release extension objects on several threads.
void ModuleAddRef()
{
    InterlockedIncrement(reinterpret_cast<volatile LONG*>(&g_objectCount));
}

void ModuleRelease()
{
    InterlockedDecrement(reinterpret_cast<volatile LONG*>(&g_objectCount));
}

CShellExtClassFactory::CShellExtClassFactory()
{
    Trace("CShellExtClassFactory::CShellExtClassFactory()\r\n");
    ModuleAddRef();
}

CShellExtClassFactory::~CShellExtClassFactory()
{
    ModuleRelease();
}

STDMETHODIMP CShellExtClassFactory::QueryInterface(REFIID riid, void** out)
{
    Trace("CShellExtClassFactory::QueryInterface()\r\n");
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::AddRef()
{
    return InterlockedIncrement(&refCount_);
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::Release()
{
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0)
        delete this;
    return count;
}

STDMETHODIMP CShellExtClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out)
{
    Trace("CShellExtClassFactory::CreateInstance()\r\n");
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return CreateComObject<CShellExt>(riid, out);
}

// Locking changes no count: the unload answer rests on live objects alone.
STDMETHODIMP CShellExtClassFactory::LockServer(BOOL /*lock*/)
{
    Trace("CShellExtClassFactory::LockServer()\r\n");
    return S_OK;
}
