#include "archive_file.h"

#include <cstring>

#include "file_access.h"
#include "message.h"
#include "resource.h"
#include "safe_string.h"
#include "settings.h"
#include "string_res.h"
#include "win/handle.h"

namespace {

int g_folderMessageScopes = 0;
bool g_folderMessageShown = false;

}  // namespace

FolderMessageOnce::FolderMessageOnce()
{
    if (g_folderMessageScopes++ == 0)
        g_folderMessageShown = false;
}

FolderMessageOnce::~FolderMessageOnce()
{
    --g_folderMessageScopes;
}

ArchiveFile::ArchiveFile(const char* path)
{
    workingPath[0] = workingFolder[0] = workingName[0] = '\0';
    archiveFolder[0] = archiveName[0] = archivePath[0] = '\0';
    userName[0] = '\0';
    memset(&primaryContext, 0, sizeof(primaryContext));
    memset(&secondaryContext, 0, sizeof(secondaryContext));

    // A cut path would name some other file: refuse it whole.
    if (!path || !CopyText(workingPath, path)) {
        workingPath[0] = '\0';
        return;
    }

    bool named = MakeArchiveName(workingPath, archiveName);
    SplitPath(workingPath, workingFolder, workingName);

    char besideFile[kPathSize];
    if (named && JoinPath(besideFile, workingFolder, archiveName) && FileExists(besideFile)) {
        // An archive beside the file always wins.
        CopyText(archiveFolder, workingFolder);
    } else {
        // The central folder, when one is set. An empty value counts as unset,
        // so that archives then lie beside their files as with no value.
        bool central = ReadSettingText(IDS_REG_VERSIONS_PATH, archiveFolder, sizeof(archiveFolder)) &&
                       archiveFolder[0] != '\0';
        if (!central)
            CopyText(archiveFolder, workingFolder);
        // A relative central folder would depend on the caller's current
        // directory, so it counts as one that cannot be created.
        const bool existed = FolderExists(archiveFolder);
        if (!existed && ((central && !IsAbsolutePath(archiveFolder)) || !CreateFolderPath(archiveFolder))) {
            folderFailed_ = true;
            if (!(g_folderMessageScopes > 0 && g_folderMessageShown))
                ShowMessage(nullptr, IDS_ERR_CREATE_FOLDER, MB_ICONHAND | MB_OK);
            g_folderMessageShown = true;
            return;
        }
        // A central folder of ours is shared by every user of the machine:
        // each may add archives, none may list or open another's.
        if (central && !existed)
            MakeDropFolder(archiveFolder);
    }

    size_t folderLength = strlen(archiveFolder);
    if (folderLength > 0 && archiveFolder[folderLength - 1] == '\\')
        archiveFolder[folderLength - 1] = '\0';

    if (named)
        JoinPath(archivePath, archiveFolder, archiveName);   // empty when it does not fit

    // The network layer knows who owns the drive the archive lies on.
    char drive[kPathSize];
    GetDrivePart(archiveFolder, drive);
    DWORD userSize = sizeof(userName);
    if (WNetGetUserA(drive[0] ? drive : nullptr, userName, &userSize) != NO_ERROR || userName[0] == '\0')
        LoadStr(IDS_DEFAULT_USER, userName);

    secondaryContext.mode = 2;
    LoadStr(IDS_CAPTION, primaryContext.text, sizeof(primaryContext.text));
    primaryContext.mode = 0;

    valid_ = named && archivePath[0] != '\0';
}

bool ArchiveFile::Exists() const
{
    char path[kPathSize];
    return archiveName[0] && JoinPath(path, archiveFolder, archiveName) && FileExists(path);
}

bool ArchiveFile::LocalArchiveExists() const
{
    char path[kPathSize];
    return archiveName[0] && JoinPath(path, workingFolder, archiveName) && FileExists(path);
}

int ArchiveFile::ReportInvalid(HWND owner, UINT flags) const
{
    if (valid_ || folderFailed_)
        return IDOK;
    return ShowMessage(owner, IDS_ERR_PATH_TOO_LONG, flags);
}

bool ArchiveFile::IsDamageStatus(StoreStatus status)
{
    return status == kStoreCorrupt || status == kStoreForeign || status == kStoreUnsupported;
}

int ArchiveFile::ReportDamaged(HWND owner, UINT flags) const
{
    return ShowMessage(owner, IDS_ERR_ARCHIVE_DAMAGED, flags, workingPath, archivePath);
}

FILETIME ArchiveFile::LastWriteTime() const
{
    FILETIME written = {};
    win::File file(CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !GetFileTime(file.Get(), nullptr, nullptr, &written))
        return FILETIME{};
    return written;
}
