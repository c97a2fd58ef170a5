// Viewing the selected versions: one in a viewer window of its own, or two
// side by side; and the page's View buttons, which load the viewer first.
#include "version_list.h"

#include <commctrl.h>

#include <new>

#include "archive_file.h"
#include "file_access.h"
#include "history_page.h"
#include "message.h"
#include "resource.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"
#include "view_multiple_dialog.h"

void VersionList::ViewSelected()
{
    int row = NextSelectedRow(0);
    if (row < 0)
        return;
    int version = VersionOfRow(row);

    char copy[MAX_PATH];
    if (!CreatePrivateTempFile("FY#", copy))
        return;
    archive_->RetrieveVersion(copy, version);

    // The frame owns itself from here and removes the copy when done with it.
    ViewerFrame* frame = new (std::nothrow) ViewerFrame();
    if (!frame) {
        DeleteFileA(copy);
        return;
    }
    frame->ShowVersion(copy, archive_->workingName, version);
}

void VersionList::ViewSelectedPair()
{
    int first = NextSelectedRow(0);
    int second = first >= 0 ? NextSelectedRow(first + 1) : -1;
    int a = first >= 0 ? VersionOfRow(first) : 0;
    int b = second >= 0 ? VersionOfRow(second) : 0;
    if (a == 0 && b == 0)
        return;
    // One selected row: b stays 0, the working file as it is now.
    ViewMultipleDialog::Run(owner_, *archive_, a, b);
}

void VersionList::ViewWithViewer(bool pair)
{
    if (!LoadViewerLibraries()) {
        ShowMessage(nullptr, IDS_ERR_VIEWER_LOAD, MB_ICONHAND | MB_OK);
        return;
    }
    Focus();
    if (pair)
        ViewSelectedPair();
    else
        ViewSelected();
}

void HistoryPage::ReleaseViewer()
{
    UnloadViewerLibraries();
}
