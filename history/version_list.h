// The list of an archive's versions: a report-style list view, drawn by us,
// with a check box per row for the permanent flag, sorting on header clicks
// and column widths kept in the settings.
//
// Two windows own one: the history page, where the check boxes can be
// clicked, and the Retrieve Version dialog, where the list is read-only. The
// owner attaches the object once, refreshes it whenever it wants fresh rows,
// forwards WM_DRAWITEM and LVN_COLUMNCLICK, and detaches it when its window
// goes. Flag changes stay in the rows until the owner commits them.
#pragma once

#include <windows.h>

class ArchiveFile;
struct VersionItem;

class VersionList {
public:
    VersionList() = default;
    ~VersionList();
    VersionList(const VersionList&) = delete;
    VersionList& operator=(const VersionList&) = delete;

    // Takes the list window over: subclasses it, inserts the columns with
    // their stored widths and sets the check-box images. Does not fill it.
    void Attach(HWND owner, HWND list, ArchiveFile* archive, int readOnly);
    // Puts the list window's own procedure back (the owner's WM_DESTROY).
    void Detach();

    // Empties the list and fills it again. False when the records could not
    // be read (the list then stays empty).
    bool Refresh();
    // Adds one row per version, then sorts by the current column. An archive
    // without a file gives a disabled, empty list and success.
    bool Fill();
    // Sorts by column 1 ("#"), 2 (date), 3 (user) or 4 (comment).
    void SortBy(int column);
    // LVN_COLUMNCLICK: the number and date columns flip their direction when
    // clicked again; the text columns always sort ascending.
    void OnColumnClick(int subItem);
    // WM_DRAWITEM for the list. Always TRUE.
    BOOL DrawItem(const DRAWITEMSTRUCT* item);

    int SelectedCount() const;
    void Focus();
    // Column widths to the settings; write errors are ignored.
    void SaveColumnWidths();
    // Column widths, then every row's permanent flag, to the archive.
    void CommitChanges();

    // ---- Actions on the selected rows (version_actions.cpp) -----------------
    // Deletes the selected versions in list order, then refreshes. Stops at
    // once, without refreshing, when a deletion is cancelled or fails. True
    // when the rows were reloaded after every deletion.
    bool DeleteSelected();
    // Writes the topmost selected version to target, or, when target is null,
    // to a name the user accepts in the Copy Version As dialog.
    void CopySelected(const char* target);

    // ---- Viewing (version_view.cpp) -----------------------------------------
    // The topmost selected version in a viewer window of its own.
    void ViewSelected();
    // The first two selected versions side by side (one selected: beside the
    // working file).
    void ViewSelectedPair();
    // What the View and View Multiple buttons do: load the viewer libraries
    // (message 2114 when they cannot be), focus the list, then view.
    void ViewWithViewer(bool pair);

    HWND ListWindow() const { return list_; }
    HWND OwnerWindow() const { return owner_; }
    ArchiveFile* Archive() const { return archive_; }
    int SortColumn() const { return sortColumn_; }
    bool Descending() const { return descending_ != 0; }

    // The version number of a row: its "#" text as a decimal number.
    int VersionOfRow(int row) const;
    // The first selected row from the top at or after start, or -1.
    int NextSelectedRow(int start) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);
    int Compare(LPARAM a, LPARAM b) const;
    bool OnLButtonDown(int x, int y);
    int ColumnCount() const;
    void Sort();
    void DrawFocus(HDC dc, const RECT& item) const;
    void ReleaseRows();

    HWND list_ = nullptr;
    HWND owner_ = nullptr;
    ArchiveFile* archive_ = nullptr;
    int sortColumn_ = 1;
    int descending_ = 1;
    WNDPROC previous_ = nullptr;
    int readOnly_ = 0;
    // The rows of the latest fill, by record position: the text columns sort
    // on these rather than asking the list for text while it is mid-sort.
    VersionItem* rows_ = nullptr;
    int rowCount_ = 0;
};
