// Retrieving a version, its permanent flag, and deleting versions and archives.
#include "archive_file.h"

#include <cstring>

#include "message.h"
#include "resource.h"
#include "safe_string.h"
#include "wait_cursor.h"

StoreStatus ArchiveFile::RetrieveVersion(const char* destPath, int version) const
{
    char outFolder[kPathSize], outName[kPathSize];
    if (!destPath || strlen(destPath) >= sizeof(outFolder))
        return kStatusPathTooLong;   // a cut path would name another file
    SplitPath(destPath, outFolder, outName);
    WaitCursor wait;
    StoreStatus status = StoreRetrieveVersion(outName, archiveName, outFolder, archiveFolder, userName, "", version,
                                              2, 0, 1, &primaryContext);
    // Callers go on with whatever the target holds: a damaged archive is the
    // one failure the user must hear of here.
    if (IsDamageStatus(status))
        ReportDamaged(nullptr, MB_ICONHAND | MB_OK);
    return status;
}

int ArchiveFile::IsPermanent(int version) const
{
    int32_t flag = 0;
    if (StoreGetPermanent(archiveName, archiveFolder, "", version, &flag, &primaryContext) != 0)
        return 0;
    return flag != 0 ? 1 : 0;
}

bool ArchiveFile::SetPermanent(int version, int flag)
{
    if (StoreSetLock(workingName, archiveName, workingFolder, archiveFolder, userName, 1, 0, &primaryContext) != 0)
        return false;
    return StoreSetPermanent(archiveName, archiveFolder, userName, "", version, flag, &primaryContext) == 0;
}

int ArchiveFile::DeleteVersion(int version)
{
    if (IsPermanent(version)) {
        int answer = ShowMessage(nullptr, IDS_CONFIRM_DELETE_PERMANENT, MB_ICONQUESTION | MB_YESNOCANCEL, version,
                                 workingName);
        if (answer == IDCANCEL)
            return 0;
        if (answer == IDNO)
            return 1;   // this one stays; the caller goes on with the next
    }
    // The last version is never deleted inside the archive: the archive goes.
    if (CountVersions() == 1)
        return DeleteArchive();

    WaitCursor wait;
    StoreStatus status =
        StoreSetLock(workingName, archiveName, workingFolder, archiveFolder, userName, 1, 0, &primaryContext);
    if (status == 0) {
        SetPermanent(version, 0);   // a permanent version is made temporary before it goes
        status = StoreDeleteVersion(archiveName, archiveFolder, userName, "", version, 0, &secondaryContext);
        if (status == 0)
            return 1;
        StoreSetLock(workingName, archiveName, workingFolder, archiveFolder, userName, 0, 0, &primaryContext);
    }
    if (IsDamageStatus(status))
        ReportDamaged(nullptr, MB_ICONHAND | MB_OK);
    return 0;
}

int ArchiveFile::DeleteArchive()
{
    // Without a folder or a name the joined path would point elsewhere.
    char path[kPathSize];
    if (archiveFolder[0] && archiveName[0] && JoinPath(path, archiveFolder, archiveName))
        DeleteFileA(path);
    return 1;
}
