// The version list on the history page: check boxes, sorting, selection and
// the buttons that follow it, as a user clicks them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "page_fixture.h"
#include "resource.h"

namespace fytest {
namespace {

// Record order 1..4; the user names and comments sort differently from it
// and from each other, without regard to case. Version 1's comment is the
// store's empty one.
const std::vector<Saved> kFour = {
    {"Carol", "", 0},
    {"alice", "Delta", 1},
    {"Bob", "alpha", 0},
    {"dave", "Charlie", 0},
};

using VersionListTest = HistoryPageTest;

// One page walked through: the buttons follow the clicked selection, check-box clicks switch the flags
// (written on OK, with the column widths), and a page opened again sorts by each header clicked.
TEST_F(VersionListTest, SelectionButtonsCheckBoxesAndSorting)
{
    MakeHistory("flags", kFour);
    OpenPage();
    ASSERT_EQ(RowNumbers(), (Rows{4, 3, 2, 1})) << "newest first after the first fill";
    EXPECT_EQ(RowImages(), (Rows{0, 0, 1, 0}));
    auto states = [&] {
        Rows on;
        for (int id : {IDC_DELETE_BUTTON, IDC_COPY_BUTTON, IDC_VIEW_BUTTON, IDC_VIEW_MULTIPLE_BUTTON, IDC_PRINT_HISTORY})
            on.push_back(Enabled(id) ? 1 : 0);
        return on;
    };
    // Before any click: only Print History, for an archive that exists.
    EXPECT_EQ(states(), (Rows{0, 0, 0, 0, 1}));
    ClickRow(0);
    EXPECT_EQ(SelectedRows(), (Rows{0}));
    EXPECT_EQ(states(), (Rows{1, 1, 1, 1, 1}));
    ClickRow(2, 4, true);
    EXPECT_EQ(SelectedRows(), (Rows{0, 2}));
    EXPECT_EQ(states(), (Rows{1, 0, 0, 1, 0}));
    ClickRow(3, 3, true);
    EXPECT_EQ(SelectedRows(), (Rows{0, 2, 3}));
    EXPECT_EQ(states(), (Rows{1, 0, 0, 0, 0}));

    // The keyboard changes the selection but not the buttons.
    SendMessageA(List(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(SelectedRows(), (Rows{0}));
    EXPECT_EQ(states(), (Rows{1, 0, 0, 0, 0}));

    // A click on empty space below the rows clears the selection.
    RECT client;
    GetClientRect(List(), &client);
    ClickAt(List(), 20, client.bottom - 3);
    ASSERT_TRUE(WaitUntil([&] { return SelectedRows().empty(); }));
    EXPECT_EQ(states(), (Rows{0, 0, 0, 0, 0}));

    // Setting the maximum at initialisation reports a change to a sheet that
    // takes it then (Wine's does not yet know the page); Apply commits it.
    if (ApplyEnabled()) {
        ASSERT_TRUE(PressButton(Sheet(), 0x3021));
        ASSERT_TRUE(WaitUntil([&] { return !ApplyEnabled(); }));
    }

    ClickRow(1, 0);   // the box of version 3
    EXPECT_EQ(RowImages(), (Rows{0, 1, 1, 0}));
    EXPECT_TRUE(SelectedRows().empty()) << "a click in the box does not select";
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ(archive_->IsPermanent(3), 0) << "nothing is written before the page is left";

    // Beside the box, in the same column, the click selects the row.
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(List(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&bounds));
    ClickAt(List(), bounds.left + 2, (bounds.top + bounds.bottom) / 2);
    ASSERT_TRUE(WaitUntil([&] { return SelectedRows() == Rows{2}; }));
    EXPECT_EQ(RowImages(), (Rows{0, 1, 1, 0}));

    ClickRow(2, 0);   // version 2's box: permanent to temporary
    ASSERT_TRUE(PressButton(Sheet(), IDOK));
    ASSERT_TRUE(WaitUntil([&] { return SheetClosed(); }));
    EXPECT_EQ(archive_->IsPermanent(3), 1);
    EXPECT_EQ(archive_->IsPermanent(2), 0);
    EXPECT_EQ(archive_->IsPermanent(4), 0);

    // The widths went to the settings as they stood.
    DWORD width = 0;
    DWORD size = sizeof(width);
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "HistoryField_5", RRF_RT_REG_DWORD, nullptr, &width, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(width, 110u);

    ClosePage();
    OpenPage();
    const struct {
        int column;
        Rows order;
    } clicks[] = {
        {1, {1, 2, 3, 4}},   // "#"
        {1, {4, 3, 2, 1}},
        {2, {4, 3, 2, 1}},   // "Date & Time" keeps the direction
        {2, {1, 2, 3, 4}},
        {4, {1, 3, 4, 2}},   // "Comment": "", alpha, Charlie, Delta
        {4, {1, 3, 4, 2}},   // a text column never turns round
        {1, {1, 2, 3, 4}},   // after a text column, "#" sorts ascending
        {0, {4, 3, 2, 1}},   // "Permanent" stands for "#" and flips it
        {3, {2, 3, 1, 4}},   // "Updated By": alice, Bob, Carol, dave
    };
    int step = 0;
    for (const auto& click : clicks) {
        ClickHeader(click.column);
        EXPECT_EQ(RowNumbers(), click.order) << "click " << ++step << " on column " << click.column;
    }

    // A later fill keeps the column.
    SaveFromOutside("Bravo");
    ASSERT_TRUE(WaitUntil([&] { return RowNumbers().size() == 5; }, 3000));
    EXPECT_EQ(RowNumbers()[0], 2) << "still sorted by user";
}

}  // namespace
}  // namespace fytest
