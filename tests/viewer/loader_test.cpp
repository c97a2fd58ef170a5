// The viewer libraries' loader and the redirected-reading callbacks.
#include <gtest/gtest.h>

#include <string>

#include "plexa_format.h"
#include "scratch.h"
#include "viewer_control.h"
#include "viewer_fixture.h"
#include "viewer_libraries.h"

namespace {

using fytest::ProgramFolder;
using fytest::ScratchFolder;
using fytest::ViewerKeyScope;

std::string CurrentDirectory()
{
    char path[MAX_PATH];
    GetCurrentDirectoryA(sizeof(path), path);
    return path;
}

TEST(ViewerLoader, KeyAbsentThenConverterMissingThenCompleteAndTheRedirectedReading)
{
    // No key, a folder without the display library, and one too long to name the libraries in 260 bytes.
    std::string before = CurrentDirectory();
    ScratchFolder empty;
    for (const std::string& folder : {std::string(), empty.Path(), "C:\\" + std::string(250, 'v')}) {
        ViewerKeyScope key(folder.empty() ? nullptr : folder.c_str());
        EXPECT_FALSE(LoadViewerLibraries()) << folder;
        EXPECT_EQ(nullptr, ViewerFIIdFileEx());
        EXPECT_EQ(before, CurrentDirectory());
    }

    // Display and identification only: loading succeeds, Plexa gets no handling.
    ScratchFolder partial;
    for (const char* name : {"SCCVW.DLL", "SCCFI.DLL"})
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + name).c_str(), (partial / name).c_str(), FALSE)) << name;
    {
        ViewerKeyScope key(partial.Path().c_str());
        EXPECT_TRUE(LoadViewerLibraries());
        EXPECT_NE(nullptr, ViewerFIIdFileEx());
        EXPECT_EQ(nullptr, ViewerIsPlFile());
        EXPECT_EQ(nullptr, ViewerConvertPlToText());
        HMODULE display = GetModuleHandleA("SCCVW.DLL");
        EXPECT_NE(nullptr, display);
        // A second call loads nothing again.
        EXPECT_TRUE(LoadViewerLibraries());
        EXPECT_EQ(display, GetModuleHandleA("SCCVW.DLL"));
        UnloadViewerLibraries();
        EXPECT_EQ(nullptr, ViewerFIIdFileEx());
        EXPECT_EQ(nullptr, GetModuleHandleA("SCCVW.DLL"));
    }

    // The whole set: the converter's entry points too, and the rendition a Plexa document is read as.
    ViewerKeyScope key(ProgramFolder().c_str());
    ASSERT_TRUE(LoadViewerLibraries());
    std::string copies = fytest::ViewingCopies();
    EXPECT_NE(nullptr, ViewerIsPlFile());
    EXPECT_NE(nullptr, ViewerConvertPlToText());
    EXPECT_EQ(before, CurrentDirectory());

    // A folder whose path leaves a file name past 255 characters: the block
    // takes the short form of the path.
    std::string deep = empty.Path();
    while (deep.size() + 41 < 215) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    std::string document = deep + "\\" + std::string(258 - deep.size() - 5, 'p') + ".plx";
    ASSERT_EQ(258u, document.size());
    fytest::WriteFileText(document, plexa::WriteFromMarkup("# Plan\n\nFirst *bold* words.\n"));

    RedirectedFile* block = OpenRedirectedFile(document.c_str(), true);
    ASSERT_NE(nullptr, block);
    EXPECT_LT(strlen(block->sourcePath), 256u);
    EXPECT_NE(std::string(block->tempPath).find("FY#"), std::string::npos);
    unsigned char buffer[64] = {};
    unsigned long read = 0;
    EXPECT_EQ(0, MyRead(reinterpret_cast<RedirectHandle>(block), buffer, sizeof(buffer), &read));
    EXPECT_EQ("\xEF\xBB\xBFPlan\r\n====\r\nFirst bold words.\r\n", std::string(reinterpret_cast<char*>(buffer), read));
    EXPECT_EQ(0, MyClose(reinterpret_cast<RedirectHandle>(block)));
    EXPECT_EQ(copies, fytest::ViewingCopies());   // the rendition is gone
    EXPECT_TRUE(fytest::PathExists(document));
    UnloadViewerLibraries();

    // Plain text read through the callbacks, to its end and past it.
    std::string plan = empty / "plan.txt";
    fytest::WriteFileText(plan, "abcde");

    block = OpenRedirectedFile(plan.c_str(), false);
    ASSERT_NE(nullptr, block);
    auto handle = reinterpret_cast<RedirectHandle>(block);
    read = 99;
    EXPECT_EQ(0, MyRead(handle, buffer, 0, &read));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(0, MyRead(handle, buffer, 3, &read));
    EXPECT_EQ(3u, read);
    EXPECT_EQ(0, memcmp(buffer, "abc", 3));
    EXPECT_EQ(0, MyRead(handle, buffer, 10, &read));   // short count at the end
    EXPECT_EQ(2u, read);
    EXPECT_EQ(-9, MyRead(handle, buffer, 10, &read));
    EXPECT_EQ(0u, read);

    unsigned long position = 0;
    EXPECT_EQ(0, MySeek(handle, 7, 1));   // an unknown origin seeks from the start
    EXPECT_EQ(0, MyTell(handle, &position));
    EXPECT_EQ(1u, position);
    EXPECT_EQ(0, MySeek(handle, 2, -2));
    EXPECT_EQ(0, MyTell(handle, &position));
    EXPECT_EQ(3u, position);

    char name[256] = {};
    EXPECT_EQ(0, MyGetInfo(handle, 3, name));
    EXPECT_STREQ("plan.txt", name);
    EXPECT_EQ(-10, MyGetInfo(handle, 4, name));
    EXPECT_EQ(-7, MyGetInfo(handle, 99, name));

    // A further file that is missing, and a name that would carry the path past the block's 255
    // characters (one that is found is read by the Plexa document in the frame test).
    std::string longName(250, 'n');
    for (const char* missing : {"chap3.txt", longName.c_str()}) {
        FurtherFileRecord record = {sizeof(record), missing, 0, nullptr};
        EXPECT_EQ(-7, MyGetInfo(handle, 15, &record));
    }

    block->deleteSource = TRUE;
    EXPECT_EQ(0, MyClose(handle));
    EXPECT_FALSE(fytest::PathExists(plan));

    // A block that was never given a stream, as the viewer might call it.
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(RedirectedFile));
    auto* bare = static_cast<RedirectedFile*>(GlobalLock(memory));
    bare->memory = memory;
    auto emptyHandle = reinterpret_cast<RedirectHandle>(bare);
    EXPECT_EQ(-4, MyRead(emptyHandle, buffer, 4, &read));
    EXPECT_EQ(-4, MySeek(emptyHandle, 0, 0));
    EXPECT_EQ(-4, MyTell(emptyHandle, &position));
    EXPECT_EQ(-4, MyClose(emptyHandle));   // and the block is freed
}

}  // namespace
