// The context menu as the shell uses it: a real menu, the enabling rules, the
// help texts and each command offset invoked.
#include "shell_harness.h"

namespace fytest {
namespace {

class ContextMenuTest : public ShellTest {
protected:
    // QueryContextMenu on a shell menu holding one item of its own, at
    // position 1 with ids from 100: the offset count returned, ':', the menu.
    std::string Query(IContextMenu* menu, UINT flags = CMF_NORMAL)
    {
        HMENU shellMenu = CreatePopupMenu();
        AppendMenuA(shellMenu, MF_STRING, 1, "Open");
        HRESULT result = menu->QueryContextMenu(shellMenu, 1, 100, 200, flags);
        EXPECT_TRUE(SUCCEEDED(result));
        std::string line = std::to_string(HRESULT_CODE(result)) + ":" + DescribeMenu(shellMenu);
        DestroyMenu(shellMenu);
        return line;
    }

    std::string MenuFor(const std::vector<std::string>& paths, bool ansi = false)
    {
        Com<IContextMenu> menu;
        MakeInitialised(menu, IID_IContextMenu, paths, ansi);
        return menu.Get() ? Query(menu.Get()) : "";
    }

    HRESULT Invoke(IContextMenu* menu, int offset)
    {
        CMINVOKECOMMANDINFO info = {sizeof(info)};
        info.lpVerb = MAKEINTRESOURCEA(offset);
        return menu->InvokeCommand(&info);
    }
};

// The popup with its items greyed as marked: '-' before save, history, File.
std::string Popup(const char* save, const char* history, const char* file)
{
    return std::string("5:Open#1|&Fennory>[") + save + "&Save...#100|" + history + "&History...#101|" + file +
           "&File>[&Move...#102|&Copy...#103|&Delete...#104]]";
}

TEST_F(ContextMenuTest, ItemsFollowTheSelection)
{
    const std::string kept = FileWithArchive("kept.txt"), plain = MakeFile("plain.txt", "plain");
    const std::string damaged = MakeFile("damaged.txt", "damaged"), gone = MakeFile("gone.txt", "gone");
    WriteFileText("S:\\S$$DAMAGED$TXT.fy", "not an archive");
    CreateDirectoryA("S:\\folder", nullptr);

    EXPECT_EQ(MenuFor({kept}), Popup("", "", ""));
    EXPECT_EQ(MenuFor({kept}, true), Popup("", "", ""));
    EXPECT_EQ(MenuFor({plain}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({plain, kept}), Popup("", "-", ""));
    EXPECT_EQ(MenuFor({"S:\\folder"}), Popup("", "-", "-"));
    EXPECT_EQ(MenuFor({damaged}), Popup("", "", ""));
    // A file removed after the selection was made counts as a folder.
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {gone});
    DeleteFileA(gone.c_str());
    EXPECT_EQ(Query(menu.Get()), Popup("", "-", "-"));
    // Asked for the default item or the verbs only: nothing, no offsets.
    EXPECT_EQ(Query(menu.Get(), CMF_DEFAULTONLY), "0:Open#1");
    EXPECT_EQ(Query(menu.Get(), CMF_VERBSONLY), "0:Open#1");
    menu.Reset();

    settings_.SetString("VersionExclude", "txt,doc");
    EXPECT_EQ(MenuFor({plain}), "5:Open#1");
    EXPECT_EQ(MenuFor({kept}), Popup("-", "", "-"));
    settings_.Remove("EnableVersionControl");
    EXPECT_EQ(MenuFor({kept}), "5:Open#1");
}

TEST_F(ContextMenuTest, SaveWorksOnTheDroppedFilesInReverseOrder)
{
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {MakeFile("a.txt", "a"), MakeFile("b.txt", "b"), MakeFile("c.txt", "c")},
                    true);
    ProgressWatcher watcher;
    DialogDriver driver("New Version - Multiple Files", IDOK);
    EXPECT_EQ(Invoke(menu.Get(), 0), S_OK);
    driver.Join();
    EXPECT_EQ(watcher.texts, (std::vector<std::string>{"Versioning S:\\c.txt", "Versioning S:\\b.txt",
                                                       "Versioning S:\\a.txt"}));
    EXPECT_EQ(ReadStoredVersions("S:\\S$$B$TXT.fy").size(), 1u);
}

TEST_F(ContextMenuTest, EachOffsetHasItsHelpTextAndReachesItsCommand)
{
    const std::string kept = FileWithArchive("kept.txt", 2);
    Com<IContextMenu> menu;
    MakeInitialised(menu, IID_IContextMenu, {kept});
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
    const std::pair<UINT, UINT> others[] = {
        {1, GCS_VERBA}, {1, GCS_VALIDATEA}, {1, GCS_HELPTEXTW}, {1, GCS_VERBW}, {5, GCS_HELPTEXTA}};
    for (const auto& [offset, type] : others) {
        strcpy(buffer, "untouched");
        EXPECT_EQ(menu->GetCommandString(offset, type, nullptr, buffer, sizeof(buffer)), S_OK);
        EXPECT_STREQ(buffer, "untouched");
    }
    EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, nullptr, 0), S_OK);

    CMINVOKECOMMANDINFO info = {sizeof(info)};
    info.lpVerb = "properties";
    EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    EXPECT_EQ(Invoke(menu.Get(), 5), E_INVALIDARG);
    EXPECT_EQ(menu->InvokeCommand(nullptr), E_INVALIDARG);
    {
        MessageBoxAnswerer answerer({IDOK});
        EXPECT_EQ(Invoke(menu.Get(), 0), S_OK);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "S:\\kept.txt\nWorking file is not newer than latest version.");
    }
    const char* dialogs[] = {"Version History - kept.txt", "Move S:\\kept.txt To", "Copy S:\\kept.txt To"};
    for (int offset : {1, 2, 3}) {
        DialogDriver driver(dialogs[offset - 1], IDCANCEL);
        EXPECT_EQ(Invoke(menu.Get(), offset), S_OK);
    }
    MessageBoxAnswerer answerer({IDNO});
    EXPECT_EQ(Invoke(menu.Get(), 4), S_OK);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text,
              "Are you sure you want to delete S:\\kept.txt and all its associated versions?");
    EXPECT_TRUE(PathExists(kept));
}

}  // namespace
}  // namespace fytest
