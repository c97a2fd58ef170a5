// Deleting and copying out the selected versions of a version list.
#include "version_list.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "archive_file.h"
#include "copy_version_dialog.h"
#include "path_util.h"

bool VersionList::DeleteSelected()
{
    // The rows stay until the refresh, so the indices hold while versions go.
    for (int row = 0; row < static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        if (!(SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        if (!archive_->DeleteVersion(VersionOfRow(row)))
            return false;   // cancelled or failed: the page's watch shows what is left
    }
    return Refresh();
}

void VersionList::CopySelected(const char* target)
{
    int row = NextSelectedRow(0);
    if (row < 0)
        return;
    int version = VersionOfRow(row);
    if (target) {
        archive_->RetrieveVersion(target, version);
        return;
    }

    // D:\Docs\report.doc, version 3: D:\Docs\report(v3).doc.
    char folder[kPathSize];
    SplitPath(archive_->workingPath, folder, nullptr);
    char base[_MAX_FNAME];
    char extension[_MAX_EXT];
    _splitpath(archive_->workingPath, nullptr, nullptr, base, extension);
    char proposed[kPathSize];
    // A name that would not fit is cut; the user sees it and can change it.
    snprintf(proposed, sizeof(proposed), "%s\\%s(v%d)%s", folder, base, version, extension);

    CopyVersionDialog dialog;
    if (dialog.Run(list_, proposed) == 1)
        archive_->RetrieveVersion(dialog.TargetPath(), version);
}
