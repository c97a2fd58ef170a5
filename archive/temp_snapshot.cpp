#include "temp_snapshot.h"

#include "file_access.h"

namespace {

// The file's size; false when it cannot be read.
bool SizeOf(const char* path, ULONGLONG* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

}  // namespace

TempSnapshot::TempSnapshot(const char* workingPath)
{
    path_[0] = folder_[0] = name_[0] = '\0';

    char tempFolder[kPathSize];
    DWORD length = GetTempPathA(sizeof(tempFolder), tempFolder);
    if (length == 0 || length >= sizeof(tempFolder))
        return;
    // GetTempFileNameA writes up to MAX_PATH bytes, which path_ holds.
    if (GetTempFileNameA(tempFolder, "FY", 0, path_) == 0) {
        path_[0] = '\0';
        return;
    }
    SplitPath(path_, folder_, name_);

    // Private while still empty: the copy written into it keeps its rights.
    MakePrivateToUser(path_);
    if (!CopyFileA(workingPath, path_, FALSE))
        return;
    // A read-only working file gives a read-only copy, which the store could
    // not open for its own use and we could not delete.
    DWORD attributes = GetFileAttributesA(path_);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path_, attributes & ~FILE_ATTRIBUTE_READONLY);

    ULONGLONG copied = 0, original = 0;
    complete_ = SizeOf(path_, &copied) && SizeOf(workingPath, &original) && (copied > 0 || original == 0);
}

TempSnapshot::~TempSnapshot()
{
    Discard();
}

void TempSnapshot::Discard()
{
    if (path_[0] == '\0')
        return;
    SetFileAttributesA(path_, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path_);
    path_[0] = '\0';
}
