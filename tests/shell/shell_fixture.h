// The fixture of the shell tests: empty settings, a scratch folder, the
// module loaded as the shell loads it, and the extension object made and
// initialised the way the shell does it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_file.h"
#include "shell_harness.h"
#include "working_files_test.h"

namespace fytest {

class ShellTest : public WorkingFilesTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_NE(module_.Handle(), nullptr);
        settings_.SetDword("EnableVersionControl", 1);
    }
    // Every object and page is gone: the module may go too.
    void TearDown() override
    {
        EXPECT_EQ(module_.CanUnloadNow(), S_OK);
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

    // An extension object initialised with paths through a data object (the
    // shell's own, or an ANSI drop list), asked for riid.
    template <class T>
    void MakeInitialised(Com<T>& object, REFIID riid, const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IShellExtInit> init;
        ASSERT_EQ(module_.Create(IID_IShellExtInit, init.Out()), S_OK);
        Com<IDataObject> data;
        *data.Out() = ansi ? AnsiDropObject(paths) : ShellDataObject(paths);
        ASSERT_TRUE(data);
        ASSERT_EQ(init->Initialize(nullptr, data.Get(), nullptr), S_OK);
        ASSERT_EQ(init->QueryInterface(riid, object.Out()), S_OK);
    }

    FennoryModule module_;
};

}  // namespace fytest
