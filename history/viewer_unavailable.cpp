// A build without the viewer: the View buttons say that the viewer files
// cannot be loaded, as they do on a machine where those files are missing.
#include "history_page.h"
#include "message.h"
#include "resource.h"
#include "version_list.h"

void VersionList::ViewSelected() {}

void VersionList::ViewSelectedPair() {}

void HistoryPage::View(bool pair)
{
    ShowMessage(nullptr, IDS_ERR_VIEWER_LOAD, MB_ICONHAND | MB_OK);
}

void HistoryPage::ReleaseViewer() {}
