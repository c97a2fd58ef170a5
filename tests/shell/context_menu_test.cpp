// The context menu as the shell uses it: a real menu, the enabling rules, the
// help texts and each command offset invoked.
#include <shlobj.h>

#include "command_driver.h"
#include "shell_fixture.h"

namespace fytest {
namespace {

class ContextMenuTest : public ShellTest {
protected:
    // QueryContextMenu on a shell menu holding one item of its own, at
    // position 1 with ids from 100. The result and the menu as read back.
    HRESULT Query(IContextMenu* menu, std::vector<MenuItem>& items, UINT flags = CMF_NORMAL)
    {
        HMENU shellMenu = CreatePopupMenu();
        AppendMenuA(shellMenu, MF_STRING, 1, "Open");
        HRESULT result = menu->QueryContextMenu(shellMenu, 1, 100, 200, flags);
        items = ReadMenu(shellMenu);
        DestroyMenu(shellMenu);
        return result;
    }

    // The menu for paths: the shell's item, then our popup when any of the
    // three is enabled ('+' enabled, '-' greyed: save, history, File).
    std::string MenuState(const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IContextMenu> menu;
        MakeInitialised(menu, IID_IContextMenu, paths, ansi);
        std::vector<MenuItem> items;
        EXPECT_EQ(Query(menu.Get(), items), MAKE_HRESULT(0, 0, 5));
        if (items.size() == 1)
            return "none";
        EXPECT_EQ(items.size(), 2u);
        EXPECT_EQ(items[1].text, "&Fennory");
        const std::vector<MenuItem>& popup = items[1].submenu;
        EXPECT_EQ(popup.size(), 3u);
        if (popup.size() != 3)
            return "bad";
        EXPECT_EQ(popup[0].text, "&Save...");
        EXPECT_EQ(popup[0].id, 100u);
        EXPECT_EQ(popup[1].text, "&History...");
        EXPECT_EQ(popup[1].id, 101u);
        EXPECT_EQ(popup[2].text, "&File");
        const std::vector<MenuItem>& file = popup[2].submenu;
        EXPECT_EQ(file.size(), 3u);
        const char* names[] = {"&Move...", "&Copy...", "&Delete..."};
        for (size_t i = 0; i < file.size() && i < 3; ++i) {
            EXPECT_EQ(file[i].text, names[i]);
            EXPECT_EQ(file[i].id, 102u + i);
            EXPECT_FALSE(file[i].greyed);
        }
        std::string state;
        for (const MenuItem& item : popup)
            state += item.greyed ? '-' : '+';
        return state;
    }
};

TEST_F(ContextMenuTest, ItemsFollowTheSelection)
{
    std::string kept = FileWithArchive("kept.txt");
    std::string plain = MakeFile("plain.txt", "plain");
    std::string folder = scratch_ / "folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string damaged = MakeFile("damaged.txt", "damaged");
    WriteFileText(scratch_ / ArchiveNameOf(damaged), "not an archive");
    std::string gone = MakeFile("gone.txt", "gone");

    EXPECT_EQ(MenuState({kept}), "+++");
    EXPECT_EQ(MenuState({kept}, true), "+++");
    EXPECT_EQ(MenuState({plain}), "+--");
    EXPECT_EQ(MenuState({plain, kept}), "+-+");
    EXPECT_EQ(MenuState({folder}), "+--");
    EXPECT_EQ(MenuState({damaged}), "+++");
    // A file removed after the selection was made counts as a folder.
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {gone});
    DeleteFileA(gone.c_str());
    std::vector<MenuItem> items;
    EXPECT_EQ(Query(menu.Get(), items), MAKE_HRESULT(0, 0, 5));
    ASSERT_EQ(items.size(), 2u);
    ASSERT_EQ(items[1].submenu.size(), 3u);
    EXPECT_FALSE(items[1].submenu[0].greyed);
    EXPECT_TRUE(items[1].submenu[1].greyed);
    EXPECT_TRUE(items[1].submenu[2].greyed);
    // Asked for the default item or the verbs only: nothing, no offsets.
    EXPECT_EQ(Query(menu.Get(), items, CMF_DEFAULTONLY), MAKE_HRESULT(0, 0, 0));
    EXPECT_EQ(items.size(), 1u);
    EXPECT_EQ(Query(menu.Get(), items, CMF_VERBSONLY), MAKE_HRESULT(0, 0, 0));
    EXPECT_EQ(items.size(), 1u);
    menu.Reset();

    settings_.SetString("VersionExclude", "txt,doc");
    EXPECT_EQ(MenuState({plain}), "none");
    EXPECT_EQ(MenuState({kept}), "-+-");
    settings_.Remove("VersionExclude");
    settings_.Remove("EnableVersionControl");
    EXPECT_EQ(MenuState({kept}), "none");
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
    EXPECT_EQ(ReadStoredVersions(scratch_ / ArchiveNameOf(b)).size(), 1u);
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
            EXPECT_EQ(WaitForDialog("Version History - kept.txt", 100), sheet);
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
