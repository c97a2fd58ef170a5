#include "version_list.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive_file.h"
#include "module.h"
#include "resource.h"
#include "settings.h"
#include "string_res.h"
#include "win/handle.h"

namespace {

// Left inset of a cell's text, and what a cut text ends with.
constexpr int kTextInset = 6;
const char kEllipsis[] = "...";

// The columns whose title and width ids exist in the string table.
constexpr int kMaxColumns = 5;

// The image list holds the two check-box icons: 0 empty, 1 ticked.
HIMAGELIST MakeCheckImages()
{
    int cx = GetSystemMetrics(SM_CXSMICON);
    int cy = GetSystemMetrics(SM_CYSMICON);
    HIMAGELIST images = ImageList_Create(cx, cy, ILC_MASK | ILC_COLOR32, 1, 1);
    if (!images)
        return nullptr;
    for (UINT id : {IDI_UNCHECKED, IDI_CHECKED}) {
        win::Icon icon(static_cast<HICON>(LoadImageA(g_hInstance, MAKEINTRESOURCEA(id), IMAGE_ICON, cx, cy, 0)));
        ImageList_AddIcon(images, icon.Get());
    }
    return images;
}

int GetItemText(HWND list, int row, int subItem, char* text, int size)
{
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = text;
    item.cchTextMax = size;
    text[0] = '\0';
    return static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
}

int GetItemImage(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.iImage;
}

void SetItemText(HWND list, int row, int subItem, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

int TextWidth(HDC dc, const char* text, int length)
{
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, length, &size);
    return size.cx;
}

}  // namespace

VersionList::~VersionList()
{
    Detach();
    ReleaseRows();
}

void VersionList::ReleaseRows()
{
    delete[] rows_;
    rows_ = nullptr;
    rowCount_ = 0;
}

int VersionList::ColumnCount() const
{
    char text[16];
    LoadStr(IDS_COLUMN_COUNT, text);
    int count = atoi(text);
    if (count < 0)
        return 0;
    return count > kMaxColumns ? kMaxColumns : count;
}

void VersionList::Attach(HWND owner, HWND list, ArchiveFile* archive, int readOnly)
{
    owner_ = owner;
    list_ = list;
    archive_ = archive;
    readOnly_ = readOnly;
    SetWindowLongPtrA(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&VersionList::SubclassProc)));

    static const int kFormats[kMaxColumns] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT};
    int count = ColumnCount();
    for (int i = 0; i < count; ++i) {
        char title[100];
        LoadStr(IDS_COLUMN_PERMANENT + i, title);
        DWORD width = 0;   // a missing width gives a zero-width column
        if (!ReadSettingDword(IDS_REG_HISTORY_FIELD_1 + i, &width))
            width = 0;
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kFormats[i];
        column.cx = static_cast<int>(width);
        column.pszText = title;
        column.iSubItem = i;
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    // Without LVS_SHAREIMAGELISTS the control destroys the list with itself.
    if (HIMAGELIST images = MakeCheckImages())
        SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

void VersionList::Detach()
{
    if (list_ && previous_ && IsWindow(list_)) {
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        SetWindowLongPtrA(list_, GWLP_USERDATA, 0);
    }
    previous_ = nullptr;
}

bool VersionList::Refresh()
{
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    ReleaseRows();
    return Fill();
}

bool VersionList::Fill()
{
    bool exists = archive_->Exists();
    EnableWindow(list_, exists ? TRUE : FALSE);
    if (!exists)
        return true;

    VersionItem* items = nullptr;
    int count = archive_->ListVersions(&items);
    if (count < 0)
        return false;
    ReleaseRows();
    rows_ = items;
    rowCount_ = count;

    // One repaint for the whole fill, however many rows.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LVM_SETITEMCOUNT, count, 0);
    for (int i = 0; i < count; ++i) {
        const VersionItem& row = rows_[i];
        LVITEMA item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.iImage = row.permanent;
        item.lParam = i;
        int index = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (index < 0)
            continue;
        char number[16];
        snprintf(number, sizeof(number), "%d", row.number);
        SetItemText(list_, index, 1, number);
        SetItemText(list_, index, 2, row.dateText);
        SetItemText(list_, index, 3, row.user);
        SetItemText(list_, index, 4, row.comment);
    }
    SortBy(sortColumn_);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    return true;
}

void VersionList::Sort()
{
    SendMessageA(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
                 reinterpret_cast<LPARAM>(&VersionList::CompareRows));
}

void VersionList::SortBy(int column)
{
    if (column == 3 || column == 4) {
        // Back to record order first, so that rows with equal texts keep it.
        descending_ = 0;
        sortColumn_ = 1;
        Sort();
    }
    sortColumn_ = column;
    Sort();
}

void VersionList::OnColumnClick(int subItem)
{
    int column = (subItem >= 1 && subItem <= 4) ? subItem : 1;
    if (column == sortColumn_ && (column == 1 || column == 2))
        descending_ = !descending_;
    SortBy(column);
}

int CALLBACK VersionList::CompareRows(LPARAM a, LPARAM b, LPARAM self)
{
    return reinterpret_cast<const VersionList*>(self)->Compare(a, b);
}

int VersionList::Compare(LPARAM a, LPARAM b) const
{
    switch (sortColumn_) {
    case 1:
    case 2:
        // The number and the date both follow the record order.
        if (a == b)
            return 0;
        return ((a < b) != (descending_ != 0)) ? -1 : 1;
    case 3:
    case 4: {
        // The rows' own texts by record position: the list's order is in
        // flux while it sorts.
        if (a < 0 || b < 0 || a >= rowCount_ || b >= rowCount_)
            return 0;
        const VersionItem& first = rows_[a];
        const VersionItem& second = rows_[b];
        return sortColumn_ == 3 ? _stricoll(first.user, second.user) : _stricoll(first.comment, second.comment);
    }
    default:
        return 0;
    }
}

void VersionList::DrawFocus(HDC dc, const RECT& item) const
{
    RECT focus = item;
    focus.left += static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, 0, 0));
    DrawFocusRect(dc, &focus);
}

BOOL VersionList::DrawItem(const DRAWITEMSTRUCT* draw)
{
    HDC dc = draw->hDC;
    const RECT& bounds = draw->rcItem;
    if (draw->itemAction == ODA_FOCUS) {
        DrawFocus(dc, bounds);
        return TRUE;
    }
    int row = static_cast<int>(draw->itemID);
    LVITEMA item = {};
    item.mask = LVIF_IMAGE | LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    UINT state = static_cast<UINT>(SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_FOCUSED | LVIS_SELECTED));

    bool selected = (state & LVIS_SELECTED) != 0;
    COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF fore = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    SetBkColor(dc, back);
    SetTextColor(dc, fore);
    {
        win::Brush brush(CreateSolidBrush(back));
        FillRect(dc, &bounds, brush.Get());
    }

    int rowHeight = bounds.bottom - bounds.top;
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(list_, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int offset = 0;
    for (int index = 0;; ++index) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
        if (!SendMessageA(list_, LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(&column)))
            break;
        int width = column.cx;
        if (index == 0) {
            bool large = rowHeight >= 32;
            int cx = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
            int cy = GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON);
            win::Icon icon(images ? ImageList_GetIcon(images, item.iImage, ILD_NORMAL) : nullptr);
            if (icon)
                DrawIconEx(dc, bounds.left + offset + (width - cx) / 2, bounds.top + (rowHeight - cy) / 2, icon.Get(),
                           cx, cy, 0, nullptr, DI_NORMAL);
        } else {
            // Room for the longest cell text, and for "..." after a cut.
            char text[500 + sizeof(kEllipsis)];
            GetItemText(list_, row, column.iSubItem, text, 500);
            int length = lstrlenA(text);
            int textWidth = TextWidth(dc, text, length);
            RECT cell = {bounds.left + offset, bounds.top, bounds.left + offset + width - 1, bounds.bottom};
            int x;
            if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER && textWidth + kTextInset <= width) {
                x = (width - textWidth) / 2;
            } else {
                x = kTextInset;
                if (kTextInset + textWidth > width && length > 0) {
                    int ellipsis = static_cast<int>(
                        SendMessageA(list_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(kEllipsis)));
                    // The longest run of whole characters that fits with
                    // "..." after it, and never less than one character.
                    const char* keep = CharNextA(text);
                    while (*keep) {
                        const char* next = CharNextA(keep);
                        if (kTextInset + TextWidth(dc, text, static_cast<int>(next - text)) + ellipsis > width)
                            break;
                        keep = next;
                    }
                    length = static_cast<int>(keep - text);
                    memcpy(text + length, kEllipsis, sizeof(kEllipsis));
                    length += sizeof(kEllipsis) - 1;
                    textWidth = TextWidth(dc, text, length);
                }
            }
            SIZE size = {};
            GetTextExtentPoint32A(dc, text, length, &size);
            int y = (rowHeight - size.cy) / 2;
            ExtTextOutA(dc, cell.left + x, cell.top + y, ETO_OPAQUE | ETO_CLIPPED, &cell, text,
                        static_cast<UINT>(length), nullptr);
        }
        offset += width;
    }
    if (state & LVIS_FOCUSED)
        DrawFocus(dc, bounds);
    return TRUE;
}

LRESULT CALLBACK VersionList::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<VersionList*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self || !self->previous_)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_LBUTTONDOWN &&
        self->OnLButtonDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))))
        return 0;
    return CallWindowProcA(self->previous_, window, message, wParam, lParam);
}

bool VersionList::OnLButtonDown(int x, int y)
{
    LVHITTESTINFO hit = {};
    hit.pt.x = x;
    hit.pt.y = y;
    int row = static_cast<int>(SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0 || readOnly_)
        return false;

    int column0 = static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, 0, 0));
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (!SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds)))
        return false;
    int rowHeight = bounds.bottom - bounds.top;
    bool large = rowHeight >= GetSystemMetrics(SM_CXICON);
    int cx = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
    int cy = GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON);
    RECT box;
    box.left = bounds.left + (column0 - cx) / 2;
    box.top = bounds.top + (rowHeight - cy) / 2;
    box.right = box.left + cx;
    box.bottom = box.top + cy;
    POINT point = {x, y};
    if (!PtInRect(&box, point))
        return false;

    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = GetItemImage(list_, row) ? 0 : 1;
    SendMessageA(list_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list_, LVM_REDRAWITEMS, row, row);
    // Enables the sheet's Apply button; the archive learns of it at commit.
    SendMessageA(GetParent(owner_), PSM_CHANGED, reinterpret_cast<WPARAM>(owner_), 0);
    return true;
}

int VersionList::SelectedCount() const
{
    return static_cast<int>(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void VersionList::Focus()
{
    SetFocus(list_);
}

void VersionList::SaveColumnWidths()
{
    win::RegKey key(OpenSettingsKey());
    if (!key)
        return;
    int count = ColumnCount();
    for (int i = 0; i < count; ++i) {
        char name[256];
        LoadStr(IDS_REG_HISTORY_FIELD_1 + i, name);
        DWORD width = static_cast<DWORD>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, i, 0));
        RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), sizeof(width));
    }
}

void VersionList::CommitChanges()
{
    SaveColumnWidths();
    if (!archive_)
        return;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row;
        if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
            continue;
        // Only boxes the user switched since the fill are written: a long
        // history commits in one store call per change, not per row, and a
        // flag another program changed meanwhile is not put back.
        if (item.lParam >= 0 && item.lParam < rowCount_ && rows_[item.lParam].permanent == item.iImage)
            continue;
        int version = VersionOfRow(row);
        if (archive_->SetPermanent(version, item.iImage))
            if (item.lParam >= 0 && item.lParam < rowCount_)
                rows_[item.lParam].permanent = item.iImage;
    }
}

int VersionList::VersionOfRow(int row) const
{
    char text[21];
    GetItemText(list_, row, 1, text, sizeof(text));
    return atoi(text);
}

int VersionList::NextSelectedRow(int start) const
{
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = start; row < count; ++row) {
        if (SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)
            return row;
    }
    return -1;
}
