#include "path_util.h"

#include <cstring>

#include "safe_string.h"
#include "win/handle.h"

bool MakeArchiveName(const char* path, char (&nameOut)[kPathSize])
{
    nameOut[0] = '\0';

    // The short form exists only for something that exists: make a
    // placeholder when needed and take it away again.
    win::File placeholder;
    if (!FileExists(path))
        placeholder.Attach(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));

    char shortPath[kPathSize];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof(shortPath));

    if (placeholder) {
        placeholder.Close();
        DeleteFileA(path);
    }
    if (length == 0 || length >= sizeof(shortPath))
        return false;

    for (char* p = shortPath; *p; ++p) {
        if (*p == '.' || *p == ':' || *p == '\\')
            *p = '$';
    }
    if (!CopyText(nameOut, shortPath) || !AppendText(nameOut, ".fy")) {
        nameOut[0] = '\0';
        return false;
    }
    return true;
}

void SplitPath(const char* path, char* folderOut, char* nameOut)
{
    // The name starts after the last separator, or after a drive's colon.
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || (*p == ':' && p == path + 1))
            name = p + 1;
    }
    if (nameOut)
        CopyText(nameOut, kPathSize, name);
    if (folderOut) {
        size_t folderLength = static_cast<size_t>(name - path);
        if (folderLength >= static_cast<size_t>(kPathSize))
            folderLength = kPathSize - 1;
        memcpy(folderOut, path, folderLength);
        folderOut[folderLength] = '\0';
        if (folderLength > 0 && (folderOut[folderLength - 1] == '\\' || folderOut[folderLength - 1] == '/'))
            folderOut[folderLength - 1] = '\0';
    }
}

bool FileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const char* path)
{
    char probe[kPathSize + 1];
    if (!CopyText(probe, path))
        return false;
    if (strlen(probe) == 2 && probe[1] == ':')
        AppendText(probe, "\\");
    DWORD attributes = GetFileAttributesA(probe);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Length of the drive part: "X:" or "\\server\share".
size_t DrivePartLength(const char* path)
{
    if (path[0] && path[1] == ':')
        return 2;
    if (path[0] == '\\' && path[1] == '\\') {
        const char* server_end = strchr(path + 2, '\\');
        if (!server_end)
            return strlen(path);
        const char* share_end = strchr(server_end + 1, '\\');
        return share_end ? static_cast<size_t>(share_end - path) : strlen(path);
    }
    return 0;
}

}  // namespace

bool CreateFolderPath(const char* path)
{
    char full[kPathSize + 2];
    if (!CopyText(full, path))
        return false;
    size_t length = strlen(full);
    if (length == 0 || full[length - 1] != '\\')
        AppendText(full, "\\");

    size_t directoryStart = DrivePartLength(full);
    bool lastCreated = false;
    for (size_t i = directoryStart + 1; full[i]; ++i) {
        if (full[i] != '\\')
            continue;
        full[i] = '\0';
        lastCreated = CreateDirectoryA(full, nullptr) != FALSE;
        full[i] = '\\';
    }
    return lastCreated;
}

void GetDrivePart(const char* path, char (&driveOut)[kPathSize])
{
    size_t length = DrivePartLength(path);
    if (length >= sizeof(driveOut))
        length = 0;
    memcpy(driveOut, path, length);
    driveOut[length] = '\0';
}

bool DeleteFileEvenReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;   // already gone
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path))
        return true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, attributes);
    return false;
}

bool IsZeroLengthFile(const char* path)
{
    win::File file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    return file && GetFileSizeEx(file.Get(), &size) && size.QuadPart == 0;
}

bool IsAbsolutePath(const char* path)
{
    if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':')
        return path[2] == '\0' || path[2] == '\\' || path[2] == '/';
    return path[0] == '\\' && path[1] == '\\' && path[2] != '\0';
}
