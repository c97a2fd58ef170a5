// What the history tests share: a working file with a history made to order,
// the history page in a modeless property sheet of its own, and the user's
// gestures on it (clicks on rows, check boxes and column headers).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "archive_file.h"
#include "history_page.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

using Rows = std::vector<int>;

// One version of a history made to order, oldest first.
struct Saved {
    std::string user;
    std::string comment;
    int permanent = 0;
};

class HistoryPageTest : public WorkingFilesTest {
protected:
    HistoryPageTest();
    ~HistoryPageTest() override { ClosePage(); }

    // A working file name.txt whose archive holds the versions, numbered from
    // 1, with a cap of maxTemp temporaries.
    void MakeHistory(const std::string& name, const std::vector<Saved>& versions, int maxTemp = 10);
    // Saves the working file once more (with content, when given), as another program would.
    void SaveFromOutside(const std::string& comment, const std::string& content = "");

    // Shows the page in a sheet of its own; ClosePage destroys the sheet, if
    // still there, and the page object.
    void OpenPage();
    void ClosePage();
    // The sheet has closed itself (OK pressed and the page let go).
    bool SheetClosed() const { return !IsWindow(sheet_) || PropSheet_GetCurrentPageHwnd(sheet_) == nullptr; }

    HWND Page() const { return page_; }
    HWND List() const { return list_; }
    HWND Sheet() const { return sheet_; }

    // The "#" texts, the images (0 empty box, 1 ticked) and the selected rows,
    // top to bottom.
    Rows RowNumbers() const;
    Rows RowImages() const;
    Rows SelectedRows() const;
    bool Enabled(int controlId) const;
    bool ApplyEnabled() const;

    // A left click at a point of window's client area.
    void ClickAt(HWND window, int x, int y, WPARAM keys = 0);
    // A left click in the middle of a row's given column (0 the check-box
    // column, 4 the comment), with Ctrl held when control is true.
    void ClickRow(int row, int column = 2, bool control = false);
    void ClickHeader(int column);
    // Waits until the thread's posted messages (a click's above all) have been handled.
    static bool PostedHandled() { return WaitUntil([] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE)) == 0; }); }

    std::unique_ptr<ArchiveFile> archive_;
    std::string workingPath_;
    std::unique_ptr<HistoryPage> object_;

private:
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace fytest
