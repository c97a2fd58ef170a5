// Saving versions through a temporary snapshot, and the cap of temporary versions.
#include "archive_file.h"

#include <cstring>

#include "file_access.h"
#include "message.h"
#include "resource.h"
#include "safe_string.h"
#include "temp_snapshot.h"
#include "wait_cursor.h"

StoreStatus ArchiveFile::CreateWithFirstVersion(int permanent, int maxTemp, int compress, int singleLocation)
{
    // Without a name, or without the central folder, there is nowhere to
    // create it; a name too long for the central folder may still fit beside
    // the file, which the length check below decides.
    if (!valid_ && (folderFailed_ || archiveName[0] == '\0')) {
        ReportInvalid(nullptr, MB_ICONHAND | MB_OK);
        return kStatusNoLocation;
    }
    WaitCursor wait;
    TempSnapshot snapshot(workingPath);

    // Without a single location the new archive lies beside its file.
    if (singleLocation == 0)
        strcpy(archiveFolder, workingFolder);   // same 260-byte fields
    // Folder, backslash and name, with the terminator, in a 260-byte field.
    if (strlen(archiveFolder) + 1 + strlen(archiveName) >= kPathSize) {
        snapshot.Discard();
        ShowMessage(nullptr, IDS_ERR_PATH_TOO_LONG, MB_ICONHAND | MB_OK);
        return kStatusPathTooLong;
    }

    if (!snapshot.Complete()) {
        snapshot.Discard();
        ShowMessage(nullptr, IDS_ERR_SNAPSHOT, MB_ICONHAND | MB_OK, workingPath);
        return kStatusNoSnapshot;
    }
    StoreStatus status = StoreCreateArchive(snapshot.Name(), archiveName, snapshot.Folder(), archiveFolder, userName,
                                            "", "", permanent, 0, 0, maxTemp, maxTemp, 0, compress, 0);
    if (status != 0)
        ReportSaveFailure(status);
    else
        CopyFileAccess(workingPath, archivePath);
    return status;
}

int ArchiveFile::AddVersion(const char* comment, int permanent)
{
    if (!valid_ || !Exists())
        return 0;
    WaitCursor wait;
    TempSnapshot snapshot(workingPath);
    if (!snapshot.Complete()) {
        snapshot.Discard();
        ShowMessage(nullptr, IDS_ERR_SNAPSHOT, MB_ICONHAND | MB_OK, workingPath);
        return 0;
    }

    // The store keeps comments of up to 128 characters.
    char shortComment[129];
    CopyText(shortComment, comment ? comment : "");

    // Saves under the archive lock: while another program holds it, this
    // save is refused and the user told to try again.
    StoreStatus status = StoreSetLock(snapshot.Name(), archiveName, snapshot.Folder(), archiveFolder, userName, 1, 0,
                                      &primaryContext);
    if (status != 0) {
        snapshot.Discard();
        ReportSaveFailure(status);
        return 0;
    }
    status = StoreAddVersion(snapshot.Name(), archiveName, snapshot.Folder(), archiveFolder, userName, shortComment,
                             "", permanent, 0, 0, 0, 0, &primaryContext);
    snapshot.Discard();
    if (status == 0) {
        // A file made private since its last save takes its history along.
        CopyFileAccess(workingPath, archivePath);
        return 1;
    }
    // Given back in the working file's name, as the lock is the archive's.
    StoreSetLock(workingName, archiveName, workingFolder, archiveFolder, userName, 0, 0, &primaryContext);
    ReportSaveFailure(status);
    return 0;
}

void ArchiveFile::ReportSaveFailure(StoreStatus status) const
{
    if (status == kStoreLocked || status == kStoreBusy)
        ShowMessage(nullptr, IDS_ERR_SAVE_IN_USE, MB_ICONEXCLAMATION | MB_OK, workingPath);
    else if (IsDamageStatus(status))
        ReportDamaged(nullptr, MB_ICONHAND | MB_OK);
    else
        ShowMessage(nullptr, IDS_ERR_SAVE_FAILED, MB_ICONHAND | MB_OK, workingPath, archivePath);
}

bool ArchiveFile::IsWorkingFileNewer() const
{
    return CompareWithLatest() > 0;
}

int ArchiveFile::CompareWithLatest() const
{
    if (!Exists())
        return 1;
    return StoreIsWorkingNewer(workingName, archiveName, workingFolder, archiveFolder);
}

int ArchiveFile::GetMaxTempVersions() const
{
    int32_t value = 0;
    if (StoreGetMaxTemp(archiveName, archiveFolder, &value, &secondaryContext) != 0)
        return 10;
    return value;
}

bool ArchiveFile::SetMaxTempVersions(int max)
{
    if (StoreSetLock(workingName, archiveName, workingFolder, archiveFolder, userName, 1, 0, &primaryContext) != 0)
        return false;
    // The store gives the lock back itself when the change is done.
    return StoreSetMaxTemp(archiveName, archiveFolder, userName, max, &primaryContext) == 0;
}

int ArchiveFile::CountTemporaryVersions() const
{
    ArchiveHeader header;
    if (ReadHeader(&header) != 0)
        return -1;
    if (header.count > 0 && !header.entries)
        return -1;
    int temporary = 0;
    for (int i = 0; i < header.count; ++i) {
        if (header.entries[i].permanent == 0)
            ++temporary;
    }
    return temporary;
}

int ArchiveFile::ParseMaxTempVersions(const char* typed)
{
    // Blanks around the number are forgiven; anything else that is not a
    // digit makes the whole text invalid. Digits beyond the range stop
    // counting, so a long run of them cannot overflow.
    if (!typed)
        return -1;
    while (*typed == ' ' || *typed == '\t')
        ++typed;
    int value = 0;
    int digits = 0;
    for (; *typed >= '0' && *typed <= '9'; ++typed, ++digits) {
        if (value <= 32767)
            value = value * 10 + (*typed - '0');
    }
    while (*typed == ' ' || *typed == '\t')
        ++typed;
    if (digits == 0 || *typed != '\0' || value < 1 || value > 32767)
        return -1;
    return value;
}

int ArchiveFile::ChangeMaxTempVersions(HWND owner, const char* typed)
{
    // The order of the checks decides when versions are lost: the range
    // first, then a warning before the store trims anything.
    int max = ParseMaxTempVersions(typed);
    if (max < 0) {
        ShowMessage(owner, IDS_ERR_MAX_TEMP_RANGE, MB_ICONHAND | MB_OK);
        return 0;
    }
    int temporary = CountTemporaryVersions();
    if (temporary >= 0 && temporary > max &&
        ShowMessage(owner, IDS_WARN_MAX_TEMP_EXCEEDED, MB_ICONEXCLAMATION | MB_OKCANCEL) != IDOK)
        return 0;
    WaitCursor wait;
    return SetMaxTempVersions(max) ? 1 : 0;
}
