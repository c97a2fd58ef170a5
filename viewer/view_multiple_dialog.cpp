#include "view_multiple_dialog.h"
#include "file_access.h"

#include <cstdio>

#include "archive_file.h"
#include "dialog_util.h"
#include "help.h"
#include "module.h"
#include "resource.h"
#include "safe_string.h"
#include "string_res.h"
#include "viewer_libraries.h"
#include "wait_cursor.h"

namespace {

// A new, empty "FY#" file in the temporary folder; empty path on failure.
void MakeTempCopyName(char (&path)[260])
{
    CreatePrivateTempFile("FY#", path);
}

}  // namespace

void ViewMultipleDialog::OrderVersions(int a, int b, int* left, int* right)
{
    if (a == 0) {
        *left = b;
        *right = 0;
    } else if (b == 0) {
        *left = a;
        *right = 0;
    } else {
        *left = a < b ? a : b;
        *right = a < b ? b : a;
    }
}

ViewMultipleDialog::PaneLayout ViewMultipleDialog::ComputePanes(int width, int height, int labelHeight,
                                                                int spacerHeight)
{
    PaneLayout panes;
    panes.paneWidth = (width - 15) / 2;
    panes.paneTop = labelHeight + 10;
    panes.paneHeight = height - 20 - labelHeight - 3 * spacerHeight;
    if (panes.paneHeight <= 0)
        panes.paneHeight = 0;
    panes.rightX = panes.paneWidth + 10;
    return panes;
}

void ViewMultipleDialog::Prepare(ArchiveFile& file, int a, int b)
{
    archive = &file;
    OrderVersions(a, b, &leftVersion, &rightVersion);

    MakeTempCopyName(leftPath);
    if (leftPath[0] != '\0')
        file.RetrieveVersion(leftPath, leftVersion);
    MakeTempCopyName(rightPath);
    if (rightPath[0] != '\0') {
        if (rightVersion == 0)
            CopyFileA(file.workingPath, rightPath, FALSE);
        else
            file.RetrieveVersion(rightPath, rightVersion);
    }

    WORD rightId = kTypeUnknown;
    WORD leftId = kTypeUnknown;
    short rightStatus = IdentifyViewerFile(rightPath, &rightId, rightType, sizeof(rightType));
    short leftStatus = IdentifyViewerFile(leftPath, &leftId, leftType, sizeof(leftType));
    if (rightStatus < 0 || leftStatus < 0) {
        LoadStr(IDS_TYPE_TEXT, rightType);
        LoadStr(IDS_TYPE_TEXT, leftType);
    }
    if (IsPlexaDocument(rightPath) && IsPlexaDocument(leftPath)) {
        LoadStr(IDS_TYPE_PLEXA, rightType);
        LoadStr(IDS_TYPE_PLEXA, leftType);
    }
    if (rightId == kTypeUnknown)
        LoadStr(IDS_TYPE_TEXT, rightType);
    if (leftId == kTypeUnknown)
        LoadStr(IDS_TYPE_TEXT, leftType);
}

void ViewMultipleDialog::Run(HWND parent, ArchiveFile& file, int a, int b)
{
    HCURSOR previous = BeginWaitCursor();
    {
        ViewerLibraryUse use;   // the panes run the display library's code
        ViewMultipleDialog self;
        self.Prepare(file, a, b);
        self.RunModal(g_hInstance, IDD_VIEW_MULTIPLE, parent);
        if (self.leftPath[0] != '\0')
            DeleteFileA(self.leftPath);
        if (self.rightPath[0] != '\0')
            DeleteFileA(self.rightPath);
    }
    SetCursor(previous);
}

BOOL ViewMultipleDialog::OnInit()
{
    dialog = Window();
    RECT start = {0, 0, 10, 10};
    leftViewer.Create(dialog, &start, leftPath, 0, TRUE);
    rightViewer.Create(dialog, &start, rightPath, 0, TRUE);

    char format[100];
    char text[300];
    char date[100];
    LoadStr(IDS_VERSION_N, format);
    snprintf(text, sizeof(text), format, leftVersion);
    SetDlgItemTextA(dialog, IDC_LEFT_VERSION, text);
    if (!archive->FormatVersionTime(leftVersion, date))
        date[0] = '\0';
    SetDlgItemTextA(dialog, IDC_LEFT_DATE, date);

    if (rightVersion == 0)
        LoadStr(IDS_CURRENT, text);
    else
        snprintf(text, sizeof(text), format, rightVersion);
    SetDlgItemTextA(dialog, IDC_RIGHT_VERSION, text);
    if (!archive->FormatVersionTime(rightVersion, date))
        date[0] = '\0';
    SetDlgItemTextA(dialog, IDC_RIGHT_DATE, date);

    SetDlgItemTextA(dialog, IDC_LEFT_TYPE, leftType);
    SetDlgItemTextA(dialog, IDC_RIGHT_TYPE, rightType);

    LoadStr(IDS_VIEW_MULTIPLE_TITLE, format);
    snprintf(text, sizeof(text), format, archive->workingPath);   // the format and a 260-byte path fit
    SetWindowTextA(dialog, text);

    RECT client;
    GetClientRect(dialog, &client);
    Layout(client.right, client.bottom);
    return TRUE;
}

void ViewMultipleDialog::Layout(int width, int height)
{
    HWND window = Window();
    RECT label;
    GetControlRect(window, IDC_LEFT_VERSION, &label);
    int labelHeight = label.bottom - label.top;
    RECT spacer;
    GetControlRect(window, IDC_SPACER_1, &spacer);
    int spacerHeight = spacer.bottom - spacer.top;
    PaneLayout panes = ComputePanes(width, height, labelHeight, spacerHeight);
    int pane = panes.paneWidth;

    const UINT labelFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW;
    const struct {
        int id;
        int x;
    } labels[] = {
        {IDC_LEFT_VERSION, 5 + pane * 5 / 100},      {IDC_LEFT_TYPE, 5 + pane * 27 / 100},
        {IDC_LEFT_DATE, 5 + pane * 67 / 100},        {IDC_RIGHT_VERSION, pane + 10 + pane * 5 / 100},
        {IDC_RIGHT_TYPE, pane + 10 + pane * 27 / 100}, {IDC_RIGHT_DATE, pane + 10 + pane * 67 / 100},
    };
    for (const auto& placed : labels)
        SetWindowPos(GetDlgItem(window, placed.id), nullptr, placed.x, 5, 0, 0, labelFlags);

    RECT button;
    GetControlRect(window, IDCANCEL, &button);
    int buttonWidth = button.right - button.left;
    int buttonHeight = button.bottom - button.top;
    int buttonY = height - 5 - buttonHeight;
    int closeX = (width - 5 - 2 * buttonWidth) / 2;
    int helpX = closeX + buttonWidth + 5;
    MoveWindow(GetDlgItem(window, IDCANCEL), closeX, buttonY, buttonWidth, buttonHeight, FALSE);
    MoveWindow(GetDlgItem(window, IDC_VIEW_MULTIPLE_HELP), helpX, buttonY, buttonWidth, buttonHeight, FALSE);

    int spacerX = helpX + buttonWidth + 12;
    int spacerY = height - 3 * spacerHeight - 5;
    const UINT spacerFlags = SWP_NOSIZE | SWP_NOZORDER;
    SetWindowPos(GetDlgItem(window, IDC_SPACER_1), nullptr, spacerX, spacerY, 0, 0, spacerFlags);
    SetWindowPos(GetDlgItem(window, IDC_SPACER_2), nullptr, spacerX, spacerY + spacerHeight, 0, 0, spacerFlags);
    SetWindowPos(GetDlgItem(window, IDC_SPACER_3), nullptr, spacerX, spacerY + 2 * spacerHeight, 0, 0, spacerFlags);

    leftViewer.Move(5, panes.paneTop, pane, panes.paneHeight, FALSE);
    rightViewer.Move(panes.rightX, panes.paneTop, pane, panes.paneHeight, FALSE);
    InvalidateRect(window, nullptr, TRUE);
}

bool ViewMultipleDialog::OnCommand(int id, int code, HWND control)
{
    if (id != IDC_VIEW_MULTIPLE_HELP)
        return false;
    ShowHelpTopic(Window(), HELP_TOPIC_VIEW_MULTIPLE);
    return true;
}

void ViewMultipleDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(IDD_VIEW_MULTIPLE, info);
}

bool ViewMultipleDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    if (message != WM_SIZE)
        return false;
    if (wParam != SIZE_MINIMIZED)
        Layout(LOWORD(lParam), HIWORD(lParam));
    *result = TRUE;
    return true;
}
