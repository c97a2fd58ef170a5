#include "page_fixture.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdlib>

#include "module.h"
#include "resource.h"
#include "scratch.h"

namespace fytest {

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

constexpr DWORD HistoryPageTest::kWidths[5];

HistoryPageTest::HistoryPageTest()
{
    static const char* const kNames[5] = {"HistoryField_1", "HistoryField_2", "HistoryField_3", "HistoryField_4",
                                          "HistoryField_5"};
    for (int i = 0; i < 5; ++i)
        settings_.SetDword(kNames[i], kWidths[i]);
    settings_.SetDword("EnableVersionControl", 1);
}

HistoryPageTest::~HistoryPageTest()
{
    ClosePage();
}

void HistoryPageTest::MakeHistory(const std::string& name, const std::vector<Saved>& versions, int maxTemp)
{
    workingPath_ = scratch_ / (name + ".txt");
    WriteFileText(workingPath_, "version 1");
    archive_ = std::make_unique<ArchiveFile>(workingPath_.c_str());
    ASSERT_TRUE(archive_->IsValid());
    for (size_t i = 0; i < versions.size(); ++i) {
        const Saved& saved = versions[i];
        // The store records the object's user name with each version.
        ASSERT_LT(saved.user.size(), sizeof(archive_->userName));
        strcpy(archive_->userName, saved.user.c_str());
        if (i == 0) {
            ASSERT_EQ(archive_->CreateWithFirstVersion(saved.permanent, maxTemp, 0, 0), 0);
        } else {
            WriteFileText(workingPath_, "version " + std::to_string(i + 1));
            ASSERT_EQ(archive_->AddVersion(saved.comment.c_str(), saved.permanent), 1);
        }
    }
}

void HistoryPageTest::SaveFromOutside(const std::string& comment)
{
    // A second archive object, as the save command or another program has.
    WriteFileText(workingPath_, "saved from outside: " + comment);
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
    ASSERT_NE(page_, nullptr);
    list_ = GetDlgItem(page_, IDC_HISTORY_LIST);
    ASSERT_NE(list_, nullptr);
    PumpMessages(50);
}

void HistoryPageTest::ClosePage()
{
    if (sheet_ && IsWindow(sheet_))
        DestroyWindow(sheet_);
    sheet_ = page_ = list_ = nullptr;
    object_.reset();
}

bool HistoryPageTest::SheetClosed() const
{
    return !IsWindow(sheet_) || PropSheet_GetCurrentPageHwnd(sheet_) == nullptr;
}

std::vector<int> HistoryPageTest::RowNumbers() const
{
    std::vector<int> numbers;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char text[32] = "";
        LVITEMA item = {};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        numbers.push_back(atoi(text));
    }
    return numbers;
}

std::vector<int> HistoryPageTest::RowImages() const
{
    std::vector<int> images;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        images.push_back(item.iImage);
    }
    return images;
}

std::vector<int> HistoryPageTest::SelectedRows() const
{
    std::vector<int> rows;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        if (SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)
            rows.push_back(row);
    }
    return rows;
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

void HistoryPageTest::ClickAt(HWND window, POINT point, WPARAM keys)
{
    LPARAM where = MAKELPARAM(point.x, point.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, where);
    PostMessageA(window, WM_LBUTTONUP, keys, where);
    PumpMessages(30);
}

void HistoryPageTest::ClickRow(int row, int column, bool control)
{
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) << "row " << row;
    int x = bounds.left;
    for (int i = 0; i < column; ++i)
        x += static_cast<int>(kWidths[i]);
    RECT client;
    GetClientRect(list_, &client);
    int right = x + static_cast<int>(kWidths[column]);
    if (right > client.right)
        right = client.right;
    POINT point = {(x + right) / 2, (bounds.top + bounds.bottom) / 2};
    ClickAt(list_, point, control ? MK_CONTROL : 0);
}

void HistoryPageTest::ClickHeader(int column)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    RECT rect = {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect)));
    // The middle of the part that shows.
    RECT client;
    GetClientRect(header, &client);
    int right = rect.right < client.right ? rect.right : client.right;
    POINT point = {(rect.left + right) / 2, (rect.top + rect.bottom) / 2};
    ClickAt(header, point, 0);
}

}  // namespace fytest
