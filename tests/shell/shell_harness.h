// The shell's side of the module, for tests: FENNORY.DLL loaded with
// LoadLibrary as Explorer loads it, objects made through its exported class
// factory, selections handed over as real CF_HDROP data objects, and menus
// read back item by item.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fytest {

// {6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}, written out here on purpose.
extern const CLSID kFennoryClass;

// An owned interface pointer.
template <class T>
class Com {
public:
    Com() = default;
    ~Com() { Reset(); }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void** Out() { Reset(); return reinterpret_cast<void**>(&pointer_); }
    // Releases the pointer; the count Release returned.
    ULONG Reset()
    {
        ULONG count = pointer_ ? pointer_->Release() : 0;
        pointer_ = nullptr;
        return count;
    }

private:
    T* pointer_ = nullptr;
};

// FENNORY.DLL from the test program's folder, with its two COM exports.
class FennoryModule {
public:
    FennoryModule();
    ~FennoryModule();
    HMODULE Handle() const { return module_; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** out) const;
    HRESULT CanUnloadNow() const;
    // A new extension object as the shell makes it, handing out riid.
    HRESULT Create(REFIID riid, void** out) const;

private:
    HMODULE module_ = nullptr;
    HRESULT(WINAPI* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* canUnloadNow_)() = nullptr;
};

// The data object Wine's shell makes for files of one folder (a Unicode
// drop list). Fails the test and gives null when the shell cannot make it.
IDataObject* ShellDataObject(const std::vector<std::string>& paths);

// A data object of our own serving an ANSI drop list (fWide 0) of paths, in
// the order given; an empty list gives a drop with no files.
IDataObject* AnsiDropObject(const std::vector<std::string>& paths);

// One item of a menu as the user sees it.
struct MenuItem {
    std::string text;
    UINT id = 0;
    bool greyed = false;
    std::vector<MenuItem> submenu;
};

std::vector<MenuItem> ReadMenu(HMENU menu);

}  // namespace fytest
