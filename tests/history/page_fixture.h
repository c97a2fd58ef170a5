// What the history tests share: a working file with a history made to order,
// the history page in a modeless property sheet of its own, and the user's
// gestures on it (clicks on rows, check boxes and column headers).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive_file.h"
#include "history_page.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

// One version of a history made to order, oldest first.
struct Saved {
    std::string user;
    std::string comment;
    int permanent = 0;
};

// Dispatches this thread's messages until condition holds; false after timeoutMs.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

class HistoryPageTest : public WorkingFilesTest {
protected:
    HistoryPageTest();
    ~HistoryPageTest() override;

    // A working file name.txt whose archive holds the versions, oldest first,
    // numbered from 1, with a cap of maxTemp temporaries.
    void MakeHistory(const std::string& name, const std::vector<Saved>& versions, int maxTemp = 10);
    // Saves the working file once more, as another program would.
    void SaveFromOutside(const std::string& comment);

    // Shows the page in a sheet of its own and waits for its first fill.
    void OpenPage();
    // Destroys the sheet, if still there, and the page object.
    void ClosePage();
    // The sheet has closed itself (OK pressed and the page let go).
    bool SheetClosed() const;

    HWND Page() const { return page_; }
    HWND List() const { return list_; }
    HWND Sheet() const { return sheet_; }

    // The "#" texts of the rows, top to bottom.
    std::vector<int> RowNumbers() const;
    // The images (0 empty box, 1 ticked) of the rows, top to bottom.
    std::vector<int> RowImages() const;
    std::vector<int> SelectedRows() const;
    bool Enabled(int controlId) const;
    bool ApplyEnabled() const;

    // A left click in the middle of a row's given column (0 the check-box
    // column, 4 the comment), with Ctrl held when control is true.
    void ClickRow(int row, int column = 2, bool control = false);
    // A left click on a column header.
    void ClickHeader(int column);

    // Column widths the page starts with (HistoryField_1..5).
    static constexpr DWORD kWidths[5] = {44, 30, 120, 60, 110};

    std::unique_ptr<ArchiveFile> archive_;
    std::string workingPath_;
    std::unique_ptr<HistoryPage> object_;

private:
    void ClickAt(HWND window, POINT point, WPARAM keys);

    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace fytest
