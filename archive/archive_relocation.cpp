// Moving and copying a working file together with its archive.
#include "archive_file.h"

#include <cstring>

#include "file_access.h"
#include "message.h"
#include "resource.h"
#include "safe_string.h"
#include "settings.h"
#include "wait_cursor.h"
#include "win/handle.h"

namespace {

// The full long name of path, for comparing spellings; false when it does
// not fit.
bool LongFullName(const char* path, char (&name)[kPathSize])
{
    char full[kPathSize];
    DWORD length = GetFullPathNameA(path, kPathSize, full, nullptr);
    if (length == 0 || length >= kPathSize)
        return false;
    length = GetLongPathNameA(full, name, kPathSize);
    return length > 0 && length < kPathSize;
}

// True when both paths name one existing file, whatever their spelling
// (case, short or long names, another drive letter mapped onto the folder).
// Files are compared by identity; one that cannot be opened at that moment
// is compared by its full long name.
bool SameFile(const char* first, const char* second)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        win::File file(CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !GetFileInformationByHandle(file.Get(), &info[i])) {
            char names[2][kPathSize];
            return LongFullName(first, names[0]) && LongFullName(second, names[1]) &&
                   lstrcmpiA(names[0], names[1]) == 0;
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The archive a destination file has now, found where an archive object would
// find it (beside the file first, then in the central folder) but without
// making any folder. False when it has none.
bool ExistingArchiveOf(const char* fileFolder, const char* archiveName, char (&found)[kPathSize])
{
    if (JoinPath(found, fileFolder, archiveName) && FileExists(found))
        return true;
    char central[kPathSize];
    if (ReadSettingText(IDS_REG_VERSIONS_PATH, central, sizeof(central)) && central[0] && IsAbsolutePath(central) &&
        JoinPath(found, central, archiveName) && FileExists(found))
        return true;
    found[0] = '\0';
    return false;
}

}  // namespace

int ArchiveFile::CopyTo(const char* destPath, int ask)
{
    return Relocate(destPath, ask, false);
}

int ArchiveFile::MoveTo(const char* destPath, int ask)
{
    return Relocate(destPath, ask, true);
}

int ArchiveFile::Relocate(const char* destPathIn, int ask, bool move)
{
    WaitCursor wait;
    const UINT failedId = move ? IDS_ERR_MOVE_FAILED : IDS_ERR_COPY_FAILED;
    cancelled_ = false;

    char destPath[kPathSize], destFolder[kPathSize], destName[kPathSize];
    bool fits = destPathIn && CopyText(destPath, destPathIn);
    SplitPath(fits ? destPath : "", destFolder, destName);
    char destArchiveName[kPathSize], destArchivePath[kPathSize];
    // The archive stays where it is kept: beside the file it moves with the
    // file, in the central folder it only takes the new name.
    const char* destArchiveFolder = LocalArchiveExists() ? destFolder : archiveFolder;
    if (!valid_ || !fits || !MakeArchiveName(destPath, destArchiveName) ||
        !JoinPath(destArchivePath, destArchiveFolder, destArchiveName) || SameFile(workingPath, destPath)) {
        // No place for the archive at the destination, or the file onto
        // itself: nothing is touched.
        ShowMessage(nullptr, failedId, MB_ICONHAND | MB_OK, destName, destFolder);
        return 0;
    }

    // A Yes to either question also agrees to lose the versions it named:
    // those of the destination file, or the archive at the destination.
    int answer = IDYES;
    char agreedLoss[kPathSize] = "";
    if (ask == 1 && FileExists(destPath)) {
        answer = ShowMessage(nullptr, IDS_CONFIRM_REPLACE_WITH_VERSIONS, MB_ICONEXCLAMATION | MB_YESNOCANCEL,
                             destPath);
        ExistingArchiveOf(destFolder, destArchiveName, agreedLoss);
    } else if (FileExists(destArchivePath)) {
        answer = ShowMessage(nullptr, IDS_CONFIRM_REPLACE_ARCHIVE, MB_ICONEXCLAMATION | MB_YESNOCANCEL, destPath,
                             destArchiveFolder);
        CopyText(agreedLoss, destArchivePath);
    }
    if (answer == IDNO)
        return 1;
    if (answer != IDYES) {
        cancelled_ = true;
        return 0;
    }

    // The file goes first: when it cannot be copied, the destination's own
    // archive is not replaced either and nothing is deleted.
    if (!CopyFileA(workingPath, destPath, FALSE)) {
        ShowMessage(nullptr, failedId, MB_ICONHAND | MB_OK, destName, destFolder);
        return 0;
    }
    bool hasArchive = archivePath[0] != '\0' && FileExists(archivePath);
    if (hasArchive) {
        if (CopyFileA(archivePath, destArchivePath, FALSE)) {
            // The history takes the rights of the file it now belongs to.
            CopyFileAccess(destPath, destArchivePath);
        } else {
            // The file arrived without its history. A move is taken back: the
            // original file and its archive stay where they were, and no
            // version is lost.
            if (move)
                DeleteFileEvenReadOnly(destPath);
            ShowMessage(nullptr, move ? IDS_ERR_VERSIONS_NOT_MOVED : IDS_ERR_VERSIONS_NOT_COPIED,
                        MB_ICONHAND | MB_OK, workingPath, destFolder);
            return 0;
        }
    } else if (agreedLoss[0]) {
        // A file without history must not inherit the versions of the file it
        // replaced. Only the archive the question named goes; without that
        // answer (the caller asked only about the file) they are kept.
        DeleteFileEvenReadOnly(agreedLoss);
    }

    if (move) {
        // The working file first: while it stays, its archive stays with it.
        const char* kept = nullptr;
        if (!DeleteFileEvenReadOnly(workingPath))
            kept = workingPath;
        else if (hasArchive && !DeleteFileEvenReadOnly(archivePath))
            kept = archivePath;
        if (kept) {
            ShowMessage(nullptr, IDS_ERR_SOURCE_NOT_REMOVED, MB_ICONEXCLAMATION | MB_OK, destName, destFolder, kept);
            return 0;
        }
    }
    return 1;
}
