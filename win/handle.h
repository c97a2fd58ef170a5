// Owning handles: one template, one traits class per kind of handle. Each
// owner closes its handle once, moves but never copies, and can hand the
// handle over (Detach) or take one in (Attach).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace win {

template <class Traits>
class Handle {
public:
    using Type = typename Traits::Type;

    Handle() = default;
    explicit Handle(Type handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(other.Detach()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    Type Get() const { return handle_; }
    bool IsValid() const { return handle_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Closes what is held and takes handle in.
    void Attach(Type handle)
    {
        Close();
        handle_ = handle;
    }
    // Gives the handle up without closing it.
    Type Detach()
    {
        Type handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    void Close()
    {
        if (IsValid())
            Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }
    // For functions that return a handle through a pointer: closes what is
    // held and gives the address to fill.
    Type* Receive()
    {
        Close();
        return &handle_;
    }

private:
    Type handle_ = Traits::Invalid();
};

// CreateFile and friends: INVALID_HANDLE_VALUE means none.
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { CloseHandle(handle); }
};

// Processes, threads, events, mutexes, file mappings: null means none.
struct KernelTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) { CloseHandle(handle); }
};

struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { FindClose(handle); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};

// Pens, brushes, fonts, bitmaps, regions.
template <class T>
struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};

// Device contexts made with CreateDC or CreateCompatibleDC (not GetDC's).
struct DcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type dc) { DeleteDC(dc); }
};

struct GlobalTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type memory) { GlobalFree(memory); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type module) { FreeLibrary(module); }
};

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type icon) { DestroyIcon(icon); }
};

struct ImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() { return nullptr; }
    static void Close(Type list) { ImageList_Destroy(list); }
};

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type window)
    {
        if (IsWindow(window))
            DestroyWindow(window);
    }
};

using File = Handle<FileTraits>;
using KernelHandle = Handle<KernelTraits>;
using FindHandle = Handle<FindTraits>;
using RegKey = Handle<RegKeyTraits>;
template <class T>
using GdiObject = Handle<GdiObjectTraits<T>>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;
using Dc = Handle<DcTraits>;
using GlobalMemory = Handle<GlobalTraits>;
using Module = Handle<ModuleTraits>;
using Icon = Handle<IconTraits>;
using ImageList = Handle<ImageListTraits>;
using Window = Handle<WindowTraits>;

// Selects an object into a device context for one scope and puts the
// previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectObjectScope()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GlobalLock for one scope.
template <class T>
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(static_cast<T*>(GlobalLock(memory))) {}
    ~GlobalLockScope()
    {
        if (data_)
            GlobalUnlock(memory_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    T* Get() const { return data_; }

private:
    HGLOBAL memory_;
    T* data_;
};

}  // namespace win
