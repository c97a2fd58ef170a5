// The module as a COM server: its one class, the count of live objects that
// keeps it loaded, and the class factory.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

// {6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}
extern const CLSID CLSID_FennoryShellExtension;

// The class's display name; the module itself never reads it (the installer
// writes it into the registry).
extern const char kShellExtensionName[];

// Live CShellExt and CShellExtClassFactory objects, plus the property pages
// that name it as their parent count. A UINT because the property sheet takes
// its address as such.
extern UINT g_objectCount;

void ModuleAddRef();
void ModuleRelease();

// A new T handing out riid through out: the result of its QueryInterface. An
// object that does not give the interface is freed at once, so a failed
// request leaves no object and no count behind. T's constructor and
// destructor are private, with this function their one friend.
template <class T>
HRESULT CreateComObject(REFIID riid, void** out)
{
    T* object = new (std::nothrow) T;
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT result = object->QueryInterface(riid, out);
    if (FAILED(result))
        delete object;   // nobody holds it: its count is still 0
    return result;
}

class CShellExtClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    friend HRESULT CreateComObject<CShellExtClassFactory>(REFIID, void**);
    CShellExtClassFactory();
    ~CShellExtClassFactory();

    LONG refCount_ = 0;
};
