// The shell's side of the module, for tests: FENNORY.DLL as Explorer loads it, real drop lists, menus read back.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "archive_file.h"
#include "command_driver.h"
#include "run_program.h"

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
    void** Out()
    {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    ULONG Reset()   // the count Release returned
    {
        ULONG count = pointer_ ? pointer_->Release() : 0;
        pointer_ = nullptr;
        return count;
    }

private:
    T* pointer_ = nullptr;
};

// FENNORY.DLL from the test program's folder, with its two COM exports.
struct FennoryModule {
    FennoryModule();
    ~FennoryModule() { FreeLibrary(handle); }
    // A new extension object as the shell makes it, handing out riid.
    HRESULT Create(REFIID riid, void** out) const;

    HMODULE handle;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**);
    HRESULT(WINAPI* CanUnloadNow)();
};

// Asks Wine's shell for riid on files of one folder, as Explorer's view does (IDataObject: its Unicode drop list).
void ShellObjectOf(const std::vector<std::string>& paths, REFIID riid, void** out);

// Gives riid on a data object serving an ANSI drop list (fWide 0) of paths, in the order given.
void AnsiDropOf(const std::vector<std::string>& paths, REFIID riid, void** out);

// A menu in one line: items split by '|', each its text and '#' id (a leading '-' when greyed) or
// '>' and its submenu in brackets, such as "Open#1|&Fennory>[&Save...#100|-&History...#101]".
std::string DescribeMenu(HMENU menu);

// Versioning on, working files at the root of S:, the module loaded; at the end it may unload.
class ShellTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_NE(module_.handle, nullptr);
        settings_.SetDword("EnableVersionControl", 1);
    }
    void TearDown() override
    {
        EXPECT_EQ(module_.handle ? module_.CanUnloadNow() : S_OK, S_OK);
        OleUninitialize();
    }

    // A working file with an archive of versions versions.
    std::string FileWithArchive(const std::string& name, int versions = 1)
    {
        std::string path = MakeFile(name, "first");
        ArchiveFile archive(path.c_str());
        EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 0), 0);
        for (int i = 2; i <= versions; ++i) {
            WriteFileText(path, "version " + std::to_string(i));
            EXPECT_EQ(archive.AddVersion("changed", 0), 1);
        }
        return path;
    }

    // An extension object initialised with paths as the shell does it (or with an ANSI drop list).
    template <class T>
    void MakeInitialised(Com<T>& object, REFIID riid, const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IShellExtInit> init;
        ASSERT_EQ(module_.Create(IID_IShellExtInit, init.Out()), S_OK);
        Com<IDataObject> data;
        (ansi ? AnsiDropOf : ShellObjectOf)(paths, IID_IDataObject, data.Out());
        ASSERT_NE(data.Get(), nullptr);
        ASSERT_EQ(init->Initialize(nullptr, data.Get(), nullptr), S_OK);
        ASSERT_EQ(init->QueryInterface(riid, object.Out()), S_OK);
    }

    FennoryModule module_;
};

}  // namespace fytest
