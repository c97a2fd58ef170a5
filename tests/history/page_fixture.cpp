#include "page_fixture.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdlib>

#include "module.h"
#include "resource.h"
#include "scratch.h"

namespace fytest {

namespace {

// Column widths the page starts with (HistoryField_1..5).
const int kWidths[5] = {44, 30, 120, 60, 110};

}  // namespace

HistoryPageTest::HistoryPageTest()
{
    for (int i = 0; i < 5; ++i)
        settings_.SetDword(("HistoryField_" + std::to_string(i + 1)).c_str(), kWidths[i]);
    settings_.SetDword("EnableVersionControl", 1);
}

void HistoryPageTest::MakeHistory(const std::string& name, const std::vector<Saved>& versions, int maxTemp)
{
    workingPath_ = scratch_ / (name + ".txt");
    WriteFileText(workingPath_, "version 1");
    archive_ = std::make_unique<ArchiveFile>(workingPath_.c_str());
    ASSERT_TRUE(archive_->IsValid());
    for (size_t i = 0; i < versions.size(); ++i) {
        // The store records the object's user name with each version.
        ASSERT_LT(versions[i].user.size(), sizeof(archive_->userName));
        strcpy(archive_->userName, versions[i].user.c_str());
        if (i == 0) {
            ASSERT_EQ(archive_->CreateWithFirstVersion(versions[i].permanent, maxTemp, 0, 0), 0);
        } else {
            WriteFileText(workingPath_, "version " + std::to_string(i + 1));
            ASSERT_EQ(archive_->AddVersion(versions[i].comment.c_str(), versions[i].permanent), 1);
        }
    }
}

void HistoryPageTest::SaveFromOutside(const std::string& comment, const std::string& content)
{
    WriteFileText(workingPath_, content.empty() ? "saved from outside: " + comment : content);
    ArchiveFile other(workingPath_.c_str());
    ASSERT_EQ(other.AddVersion(comment.c_str(), 0), 1);
}

void HistoryPageTest::OpenPage()
{
    object_ = std::make_unique<HistoryPage>(archive_.get(), nullptr);
    PROPSHEETPAGEA page;
    object_->FillPage(&page, g_hInstance, IDD_HISTORY_PAGE);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.pszCaption = "History";
    header.nPages = 1;
    header.ppsp = &page;
    sheet_ = reinterpret_cast<HWND>(PropertySheetA(&header));
    ASSERT_NE(sheet_, nullptr);
    page_ = PropSheet_GetCurrentPageHwnd(sheet_);
    list_ = GetDlgItem(page_, IDC_HISTORY_LIST);
    ASSERT_NE(list_, nullptr);
    EXPECT_TRUE(PostedHandled());
}

void HistoryPageTest::ClosePage()
{
    if (sheet_ && IsWindow(sheet_))
        DestroyWindow(sheet_);
    sheet_ = page_ = list_ = nullptr;
    object_.reset();
}

Rows HistoryPageTest::RowNumbers() const
{
    Rows numbers;
    for (int row = 0; row < ListView_GetItemCount(list_); ++row) {
        char text[32] = "";
        ListView_GetItemText(list_, row, 1, text, sizeof(text));
        numbers.push_back(atoi(text));
    }
    return numbers;
}

Rows HistoryPageTest::RowImages() const
{
    Rows images;
    for (int row = 0; row < ListView_GetItemCount(list_); ++row) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ListView_GetItem(list_, &item);
        images.push_back(item.iImage);
    }
    return images;
}

Rows HistoryPageTest::SelectedRows() const
{
    Rows selected;
    for (int row = -1; (row = ListView_GetNextItem(list_, row, LVNI_SELECTED)) >= 0;)
        selected.push_back(row);
    return selected;
}

bool HistoryPageTest::Enabled(int controlId) const
{
    HWND control = GetDlgItem(page_, controlId);
    return control && IsWindowEnabled(control);
}

bool HistoryPageTest::ApplyEnabled() const
{
    HWND apply = GetDlgItem(sheet_, 0x3021);   // the sheet's Apply button
    return apply && IsWindowEnabled(apply);
}

void HistoryPageTest::ClickAt(HWND window, int x, int y, WPARAM keys)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
    EXPECT_TRUE(PostedHandled());
}

void HistoryPageTest::ClickRow(int row, int column, bool control)
{
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) << "row " << row;
    int x = bounds.left;
    for (int i = 0; i < column; ++i)
        x += kWidths[i];
    RECT client;
    GetClientRect(list_, &client);
    int right = std::min<int>(x + kWidths[column], client.right);
    ClickAt(list_, (x + right) / 2, (bounds.top + bounds.bottom) / 2, control ? MK_CONTROL : 0);
}

void HistoryPageTest::ClickHeader(int column)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    RECT rect = {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect)));
    // The middle of the part that shows.
    RECT client;
    GetClientRect(header, &client);
    ClickAt(header, (rect.left + std::min(rect.right, client.right)) / 2, (rect.top + rect.bottom) / 2);
}

}  // namespace fytest
