// The module as its clients load it: FENNORY.DLL beside the test program, versioning on, files on S:.
#pragma once

#include <windows.h>

#include "archive_file.h"
#include "command_driver.h"
#include "run_program.h"

namespace fytest {

// FENNORY.DLL from the test program's folder, with its two COM exports.
struct FennoryModule {
    FennoryModule()
        : handle(LoadLibraryA(BesideTestProgram("FENNORY.DLL").c_str())),
          GetClassObject(reinterpret_cast<decltype(GetClassObject)>(
              reinterpret_cast<void*>(GetProcAddress(handle, "DllGetClassObject")))),
          CanUnloadNow(reinterpret_cast<decltype(CanUnloadNow)>(
              reinterpret_cast<void*>(GetProcAddress(handle, "DllCanUnloadNow"))))
    {
    }
    ~FennoryModule() { FreeLibrary(handle); }

    HMODULE handle;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**);
    HRESULT(WINAPI* CanUnloadNow)();
};

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

    FennoryModule module_;
};

}  // namespace fytest
