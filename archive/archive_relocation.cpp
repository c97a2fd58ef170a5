// Moving and copying a working file together with its archive.
#include "archive_file.h"

#include <cstring>

#include "message.h"
#include "resource.h"
#include "safe_string.h"
#include "wait_cursor.h"
#include "win/handle.h"

namespace {

// True when both paths name one existing file, whatever their spelling
// (case, short or long names, another drive letter mapped onto the folder).
bool SameFile(const char* first, const char* second)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        win::File file(CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !GetFileInformationByHandle(file.Get(), &info[i]))
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
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

    char destPath[kPathSize], destFolder[kPathSize], destName[kPathSize];
    bool fits = destPathIn && CopyText(destPath, destPathIn);
    SplitPath(fits ? destPath : "", destFolder, destName);
    char destArchiveName[kPathSize], destArchivePath[kPathSize];
    // The archive stays where it is kept: beside the file it moves with the
    // file, in the central folder it only takes the new name.
    const char* destArchiveFolder = LocalArchiveExists() ? destFolder : archiveFolder;
    if (!fits || !MakeArchiveName(destPath, destArchiveName) ||
        !JoinPath(destArchivePath, destArchiveFolder, destArchiveName) || SameFile(workingPath, destPath)) {
        // No place for the archive at the destination, or the file onto
        // itself: nothing is touched.
        ShowMessage(nullptr, failedId, MB_ICONHAND | MB_OK, destName, destFolder);
        return 0;
    }

    // A Yes to either question also agrees to lose the destination's versions.
    int answer = IDYES;
    bool asked = true;
    if (ask == 1 && FileExists(destPath))
        answer = ShowMessage(nullptr, IDS_CONFIRM_REPLACE_WITH_VERSIONS, MB_ICONEXCLAMATION | MB_YESNOCANCEL,
                             destPath);
    else if (FileExists(destArchivePath))
        answer = ShowMessage(nullptr, IDS_CONFIRM_REPLACE_ARCHIVE, MB_ICONEXCLAMATION | MB_YESNOCANCEL, destPath,
                             destArchiveFolder);
    else
        asked = false;
    if (answer == IDNO)
        return 1;
    if (answer != IDYES)
        return 0;

    // The file goes first: when it cannot be copied, the destination's own
    // archive is not replaced either and nothing is deleted.
    if (!CopyFileA(workingPath, destPath, FALSE)) {
        ShowMessage(nullptr, failedId, MB_ICONHAND | MB_OK, destName, destFolder);
        return 0;
    }
    bool hasArchive = archivePath[0] != '\0' && FileExists(archivePath);
    if (hasArchive) {
        if (!CopyFileA(archivePath, destArchivePath, FALSE)) {
            // The file arrived without its history. A move is taken back: the
            // original file and its archive stay where they were, and no
            // version is lost.
            if (move)
                DeleteFileEvenReadOnly(destPath);
            ShowMessage(nullptr, move ? IDS_ERR_VERSIONS_NOT_MOVED : IDS_ERR_VERSIONS_NOT_COPIED,
                        MB_ICONHAND | MB_OK, workingPath, destFolder);
            return 0;
        }
    } else if (asked) {
        // The user agreed to replace the destination's versions: a file
        // without history must not inherit those of the file it replaced,
        // wherever they would be found for it. Without that answer (the
        // caller asked only about the file) they are kept.
        ArchiveFile replaced(destPath);
        if (replaced.Exists())
            replaced.DeleteArchive();
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
