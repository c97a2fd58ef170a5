#include "scratch.h"

#include <gtest/gtest.h>

#include "win/handle.h"

#include <cstring>
#include <vector>

namespace fytest {

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH];
        snprintf(name, sizeof(name), "%sfyt%lu_%ld", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
    ADD_FAILURE() << "no scratch folder could be made in " << temp;
}

ScratchFolder::~ScratchFolder()
{
    if (!path_.empty())
        RemoveTree(path_);
}

void WriteFileText(const std::string& path, const std::string& content)
{
    win::File file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ASSERT_EQ(written, content.size()) << path;
}

std::string ReadFileText(const std::string& path)
{
    win::File file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// Calls visit for each entry of folder but "." and "..", in the order listed.
template <class Visit>
void ForEachEntry(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA found;
    win::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search)
        return;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            visit(found);
    } while (FindNextFileA(search.Get(), &found));
}

}  // namespace

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& found) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    });
    return names;
}

void RemoveTree(const std::string& path)
{
    ForEachEntry(path, [&](const WIN32_FIND_DATAA& found) {
        std::string child = path + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        }
    });
    RemoveDirectoryA(path.c_str());
}

namespace {

// The Wine mount manager's request to define a drive letter on a Unix folder
// (the same request its configuration tool sends).
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineUnixDrive(char letter, const char* unixPath, ULONG type)
{
    win::File manager(CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager)
        return false;
    size_t pathLength = unixPath ? strlen(unixPath) + 1 : 0;
    std::vector<char> buffer(sizeof(UnixDriveRequest) + pathLength);
    auto* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
    request->size = static_cast<ULONG>(buffer.size());
    request->type = type;
    request->letter = static_cast<WCHAR>(tolower(letter));
    if (unixPath) {
        memcpy(buffer.data() + sizeof(UnixDriveRequest), unixPath, pathLength);
        request->mountPointOffset = sizeof(UnixDriveRequest);
    }
    DWORD returned = 0;
    return DeviceIoControl(manager.Get(), kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                           0, &returned, nullptr) != FALSE;
}

}  // namespace

MappedDrive::MappedDrive(char letter, const std::string& folder) : letter_(letter)
{
    typedef char*(CDECL * UnixNameFunction)(const WCHAR*);
    // Wine's own export, absent on Windows: there the mapping is not made.
    auto unixName = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
    char* path = unixName(wide);
    if (!path)
        return;
    mapped_ = DefineUnixDrive(letter, path, DRIVE_FIXED);
    HeapFree(GetProcessHeap(), 0, path);
    mapped_ = mapped_ && GetFileAttributesA((Root() + "\\").c_str()) != INVALID_FILE_ATTRIBUTES;
}

MappedDrive::~MappedDrive()
{
    if (mapped_)
        DefineUnixDrive(letter_, nullptr, DRIVE_NO_ROOT_DIR);
}

std::string SmallDiskFolder()
{
    char unixPath[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("FY_SMALL_DISK", unixPath, sizeof(unixPath));
    if (length == 0 || length >= sizeof(unixPath))
        return std::string();
    // Wine shows the Unix root as drive Z:.
    std::string path = "Z:" + std::string(unixPath, length);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void FillDisk(const std::string& path)
{
    win::File file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string block(4096, 'f');
    DWORD written = 0;
    // Whole blocks first, then single bytes into the last corner.
    for (DWORD size : {4096u, 1u})
        while (file && WriteFile(file.Get(), block.data(), size, &written, nullptr) && written > 0) {
        }
}

}  // namespace fytest
