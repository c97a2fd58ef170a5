// The history page in a property sheet, as Explorer asks for it: which
// selections get one, the page shown in a real sheet, and the page holding
// the extension object until the sheet lets it go.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include "archive_file.h"
#include "command_driver.h"
#include "shell_fixture.h"
#include "ui_driver.h"

namespace fytest {
namespace {

struct Collected {
    BOOL accept = TRUE;
    std::vector<HPROPSHEETPAGE> pages;
};

BOOL CALLBACK Collect(HPROPSHEETPAGE page, LPARAM parameter)
{
    auto* collected = reinterpret_cast<Collected*>(parameter);
    if (collected->accept)
        collected->pages.push_back(page);
    return collected->accept;
}

class PropertySheetTest : public ShellTest {
protected:
    // The pages AddPages offers for paths (destroyed again unless kept).
    size_t PagesFor(const std::vector<std::string>& paths, BOOL accept = TRUE)
    {
        Com<IShellPropSheetExt> sheet;
        MakeInitialised(sheet, IID_IShellPropSheetExt, paths);
        Collected collected;
        collected.accept = accept;
        EXPECT_EQ(sheet->AddPages(Collect, reinterpret_cast<LPARAM>(&collected)), S_OK);
        for (HPROPSHEETPAGE page : collected.pages)
            DestroyPropertySheetPage(page);
        return collected.pages.size();
    }
};

TEST_F(PropertySheetTest, OnlyOneFileWithAnArchiveGetsThePage)
{
    std::string kept = FileWithArchive("kept.txt");
    std::string other = FileWithArchive("other.txt");
    std::string shortcut = FileWithArchive("link.lnk");
    std::string damaged = MakeFile("damaged.txt", "damaged");
    WriteFileText(scratch_ / ArchiveFile(damaged.c_str()).archiveName, "not an archive");

    EXPECT_EQ(PagesFor({kept}), 1u);
    EXPECT_EQ(PagesFor({damaged}), 1u);
    EXPECT_EQ(PagesFor({MakeFile("plain.txt", "plain")}), 0u);
    EXPECT_EQ(PagesFor({kept, other}), 0u);
    EXPECT_EQ(PagesFor({shortcut}), 0u);
    // A sheet that refuses the page: the page is destroyed and lets the
    // object go (the fixture checks the module may unload).
    EXPECT_EQ(PagesFor({kept}, FALSE), 0u);

    Com<IShellPropSheetExt> sheet;
    MakeInitialised(sheet, IID_IShellPropSheetExt, {kept});
    EXPECT_EQ(sheet->AddPages(nullptr, 0), S_OK);
}

TEST_F(PropertySheetTest, HistoryTabListsTheVersionsAndHoldsTheObject)
{
    std::string kept = FileWithArchive("kept.txt", 3);
    Collected collected;
    {
        Com<IShellPropSheetExt> extension;
        MakeInitialised(extension, IID_IShellPropSheetExt, {kept});
        ASSERT_EQ(extension->AddPages(Collect, reinterpret_cast<LPARAM>(&collected)), S_OK);
        ASSERT_EQ(collected.pages.size(), 1u);
        // A second request while the page lives adds nothing.
        ASSERT_EQ(extension->AddPages(Collect, reinterpret_cast<LPARAM>(&collected)), S_OK);
        ASSERT_EQ(collected.pages.size(), 1u);
    }
    // The shell has let the object go; the page still holds it.
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);

    PROPSHEETHEADERA header = {sizeof(header)};
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = "kept.txt Properties";
    header.nPages = 1;
    header.phpage = collected.pages.data();
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    ASSERT_NE(sheet, nullptr);
    PumpMessages(200);

    HWND tabs = PropSheet_GetTabControl(sheet);
    char text[64] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    TabCtrl_GetItem(tabs, 0, &item);
    EXPECT_STREQ(text, "Fennory (TM)");
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    HWND list = GetDlgItem(page, 1026);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    const char* numbers[] = {"3", "2", "1"};
    for (int row = 0; row < 3; ++row) {
        ListView_GetItemText(list, row, 1, text, sizeof(text));
        EXPECT_STREQ(text, numbers[row]);
    }
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);
    DestroyWindow(sheet);
    PumpMessages(100);
}

}  // namespace
}  // namespace fytest
