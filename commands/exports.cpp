// The exports run on the calling program's thread and need no extension
// object; they reuse the shell commands' dialogs and archive operations.
#include "exports.h"

#include <cstdio>
#include <cstring>

#include "archive_file.h"
#include "control_panel.h"
#include "history_sheet.h"
#include "message.h"
#include "path_util.h"
#include "resource.h"
#include "retrieve_version_dialog.h"
#include "save_options.h"
#include "string_res.h"

namespace {

// A path the 260-byte fields can hold. A longer one is refused with a message
// (a cut path would name some other file); a missing one silently.
bool AcceptPath(HWND parent, const char* path)
{
    if (!path || !*path)
        return false;
    if (strnlen(path, MAX_PATH) >= MAX_PATH) {
        ShowMessage(parent, IDS_ERR_PATH_REFUSED, MB_ICONHAND | MB_OK);
        return false;
    }
    return true;
}

}  // namespace

void WINAPI FYArchive(HWND parent, const char* path)
{
    if (!AcceptPath(parent, path))
        return;
    if (!FileExists(path)) {
        ShowMessage(parent, IDS_ERR_FILE_MISSING, MB_ICONHAND | MB_OK, path);
        return;
    }
    ArchiveFile archive(path);
    if (!archive.IsValid())
        return;   // the archive object has said why
    if (IsZeroLengthFile(path)) {
        ShowMessage(parent, IDS_ERR_ZERO_LENGTH, MB_ICONHAND | MB_OK, archive.workingName);
        return;
    }
    if (!archive.IsWorkingFileNewer()) {
        ShowMessage(parent, IDS_ERR_NOT_NEWER, MB_ICONHAND | MB_OK, archive.workingName);
        return;
    }

    SaveOptions options;
    options.titleName = archive.workingName;
    if (!archive.Exists()) {
        options.newArchive = 1;
        options.comment[0] = '\0';
    } else {
        options.newArchive = 0;
        char format[100];
        LoadStr(IDS_VERSION_N, format);
        snprintf(options.comment, sizeof(options.comment), format, archive.VersionCounter());
    }
    if (options.RunDialog(parent) != IDOK)
        return;
    if (options.newArchive)
        archive.CreateWithFirstVersion(options.permanent, options.maxTempVersions, options.useCompression,
                                       options.singleLocation);
    else
        archive.AddVersion(options.comment, options.permanent);
}

void WINAPI FYControlPanel()
{
    StartControlPanel();
}

void WINAPI FYInfo(const char* path, VersionInfo* info)
{
    if (!info)
        return;
    info->archiveExists = 0;
    info->versionCount = -1;
    if (!path || !*path || strnlen(path, MAX_PATH) >= MAX_PATH)
        return;
    ArchiveFile archive(path);
    info->archiveExists = archive.Exists() ? 1 : 0;
    info->versionCount = archive.CountVersions();
}

void WINAPI FYRetrieve(HWND parent, const char* path)
{
    if (AcceptPath(parent, path))
        ShowFileHistory(parent, path);
}

int WINAPI FYRetrieveEx(HWND parent, const char* path, const char* destination)
{
    if (!AcceptPath(parent, path))
        return -1;
    if (destination && strnlen(destination, MAX_PATH) >= MAX_PATH) {
        ShowMessage(parent, IDS_ERR_PATH_REFUSED, MB_ICONHAND | MB_OK);
        return -1;
    }
    ArchiveFile archive(path);
    RetrieveVersionDialog dialog(&archive, destination);
    return static_cast<int>(dialog.Run(parent));
}
