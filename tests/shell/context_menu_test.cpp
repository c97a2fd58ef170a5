// The context menu as the shell uses it: a real menu, the enabling rules, the
// help texts and each command offset invoked.
#include <shlobj.h>

#include "archive_file.h"
#include "command_driver.h"
#include "shell_fixture.h"

namespace fytest {
namespace {

class ContextMenuTest : public ShellTest {
protected:
    // QueryContextMenu on a shell menu holding one item of its own, at
    // position 1 with ids from 100: the menu read back, after the returned
    // offset count.
    std::string Query(IContextMenu* menu, UINT flags = CMF_NORMAL)
    {
        HMENU shellMenu = CreatePopupMenu();
        AppendMenuA(shellMenu, MF_STRING, 1, "Open");
        HRESULT result = menu->QueryContextMenu(shellMenu, 1, 100, 200, flags);
        std::string line = std::to_string(HRESULT_CODE(result)) + ":" + DescribeMenu(shellMenu);
        EXPECT_TRUE(SUCCEEDED(result));
        DestroyMenu(shellMenu);
        return line;
    }

    std::string MenuFor(const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IContextMenu> menu;
        MakeInitialised(menu, IID_IContextMenu, paths, ansi);
        return menu ? Query(menu.Get()) : "";
    }
};

// The popup with its items greyed as marked: '-' before save, history, File.
std::string Popup(const char* save, const char* history, const char* file)
{
    return std::string("5:Open#1|&Fennory>[") + save + "&Save...#100|" + history + "&History...#101|" + file
           + "&File>[&Move...#102|&Copy...#103|&Delete...#104]]";
}

TEST_F(ContextMenuTest, ItemsFollowTheSelection)
{
    std::string kept = FileWithArchive("kept.txt");
    std::string plain = MakeFile("plain.txt", "plain");
    std::string folder = scratch_ / "folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string damaged = MakeFile("damaged.txt", "damaged");
    WriteFileText(scratch_ / ArchiveFile(damaged.c_str()).archiveName, "not an archive");
    std::string gone = MakeFile("gone.txt", "gone");

    EXPECT_EQ(MenuFor({kept}), Popup("", "", ""));
    EXPECT_EQ(MenuFor({kept}, true), Popup("", "", ""));
    EXPECT_EQ(MenuFor({plain}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({plain, kept}), Popup("", "-", ""));
    EXPECT_EQ(MenuFor({folder}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({damaged}), Popup("", "", ""));
    // A file removed after the selection was made counts as a folder; saving
    // it finds nothing to save.
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {gone});
    DeleteFileA(gone.c_str());
    EXPECT_EQ(Query(menu.Get()), Popup("", "-", "-"));
    {
        MessageBoxAnswerer answerer({IDOK});
        CMINVOKECOMMANDINFO info = {sizeof(info)};
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "Error!  There are no files to Save!");
    }
    // Asked for the default item or the verbs only: nothing, no offsets.
    EXPECT_EQ(Query(menu.Get(), CMF_DEFAULTONLY), "0:Open#1");
    EXPECT_EQ(Query(menu.Get(), CMF_VERBSONLY), "0:Open#1");
    menu.Reset();

    settings_.SetString("VersionExclude", "txt,doc");
    EXPECT_EQ(MenuFor({plain}), "5:Open#1");
    EXPECT_EQ(MenuFor({kept}), Popup("-", "", "-"));
    settings_.Remove("VersionExclude");
    settings_.Remove("EnableVersionControl");
    EXPECT_EQ(MenuFor({kept}), "5:Open#1");
}

TEST_F(ContextMenuTest, HelpTextsAndRefusedVerbs)
{
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {MakeFile("a.txt", "a")});
    const char* texts[] = {"Save a version of this file", "Retrieve the version history of this file",
                           "Move this file and its version(s)", "Copy this file and its version(s)",
                           "Delete this file and its version(s)"};
    char buffer[100];
    for (UINT offset = 0; offset < 5; ++offset) {
        EXPECT_EQ(menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, buffer, sizeof(buffer)), S_OK);
        EXPECT_STREQ(buffer, texts[offset]);
    }
    EXPECT_EQ(menu->GetCommandString(3, GCS_HELPTEXTA, nullptr, buffer, 6), S_OK);
    EXPECT_STREQ(buffer, "Copy ");
    // Anything else leaves the buffer alone.
    for (UINT type : {GCS_VERBA, GCS_VALIDATEA, GCS_HELPTEXTW, GCS_VERBW}) {
        strcpy(buffer, "untouched");
        EXPECT_EQ(menu->GetCommandString(1, type, nullptr, buffer, sizeof(buffer)), S_OK);
        EXPECT_STREQ(buffer, "untouched");
    }
    EXPECT_EQ(menu->GetCommandString(5, GCS_HELPTEXTA, nullptr, buffer, sizeof(buffer)), S_OK);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, nullptr, 0), S_OK);

    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = "properties";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    info.lpVerb = MAKEINTRESOURCEA(5);
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    EXPECT_EQ(menu->InvokeCommand(nullptr), E_INVALIDARG);
}

TEST_F(ContextMenuTest, SaveWorksOnTheDroppedFilesInReverseOrder)
{
    std::string a = MakeFile("a.txt", "a"), b = MakeFile("b.txt", "b"), c = MakeFile("c.txt", "c");
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {a, b, c}, true);
    ProgressWatcher watcher;
    DialogDriver driver("New Version - Multiple Files", IDOK);
    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    driver.Join();
    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning " + c, "Versioning " + b, "Versioning " + a}));
    EXPECT_EQ(ReadStoredVersions(scratch_ / ArchiveFile(b.c_str()).archiveName).size(), 1u);
}

TEST_F(ContextMenuTest, EachOffsetReachesItsCommand)
{
    std::string kept = FileWithArchive("kept.txt", 2);
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {kept});
    CMINVOKECOMMANDINFO info = {sizeof(info)};

    info.lpVerb = MAKEINTRESOURCEA(0);   // unchanged since its last version
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, kept + "\nWorking file is not newer than latest version.");
    }
    info.lpVerb = MAKEINTRESOURCEA(1);
    {
        // A second request while the sheet is up brings that one forward.
        DialogDriver driver("Version History - kept.txt", [&](HWND sheet) {
            Com<IContextMenu> again;
            ASSERT_EQ(menu->QueryInterface(IID_IContextMenu, again.Out()), S_OK);
            std::thread second([&] { EXPECT_EQ(again->InvokeCommand(&info), S_OK); });
            second.join();
            EXPECT_EQ(WaitForWindow("#32770", "Version History - kept.txt", 100), sheet);
            PressButton(sheet, IDCANCEL);
        });
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    }
    for (int offset : {2, 3}) {
        info.lpVerb = MAKEINTRESOURCEA(offset);
        DialogDriver driver((offset == 2 ? "Move " : "Copy ") + kept + " To", IDCANCEL);
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    }
    info.lpVerb = MAKEINTRESOURCEA(4);
    MessageBoxAnswerer answerer({IDNO});
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Are you sure you want to delete " + kept + " and all its associated versions?");
    EXPECT_TRUE(PathExists(kept));
}

}  // namespace
}  // namespace fytest
