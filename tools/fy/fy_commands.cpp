#include "fy_commands.h"
#include "file_access.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <dtl/dtl.hpp>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "archive_file.h"
#include "resource.h"
#include "settings.h"

namespace {

int Complain(int code, const char* format, const std::string& file, const char* extra = "")
{
    fprintf(stderr, "fy: ");
    fprintf(stderr, format, file.c_str(), extra);
    fprintf(stderr, "\n");
    return code;
}

// The working file as a full path, checked: it exists, is a file and fits.
// Returns kExitOk with path filled, or the exit code after a message.
int CheckWorkingFile(const std::string& file, char (&path)[kPathSize])
{
    if (file.size() >= kPathSize)
        return Complain(kExitTooLong, "%s: path too long (at most 259 characters)", file);
    DWORD length = GetFullPathNameA(file.c_str(), kPathSize, path, nullptr);
    if (length == 0 || length >= kPathSize)
        return Complain(kExitTooLong, "%s: path too long (at most 259 characters)", file);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Complain(kExitMissing, "%s: no such file", file);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Complain(kExitFolder, "%s: is a folder, not a file", file);
    return kExitOk;
}

// The archive of a checked file: usable, present, readable and not held by
// another program. needArchive false lets a missing archive pass.
int CheckArchive(const std::string& file, ArchiveFile& archive, bool needArchive)
{
    if (!archive.IsValid())
        return Complain(kExitTooLong, "%s: no place for its archive (the archive's path would be too long)", file);
    if (!archive.Exists())
        return needArchive ? Complain(kExitNothing, "%s: has no versions", file) : kExitOk;
    HANDLE probe = CreateFileA(archive.archivePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return Complain(kExitInUse, "%s: its archive is in use by another program (%s)", file,
                            archive.archivePath);
        return Complain(kExitFailed, "%s: its archive cannot be opened (%s)", file, archive.archivePath);
    }
    CloseHandle(probe);
    ArchiveHeader header;
    StoreStatus status = archive.ReadHeader(&header);
    switch (status) {
    case 0:
        return kExitOk;
    case 5:    // checksum or structure check failed
    case 6:    // not an archive
    case 7:    // a later format
        return Complain(kExitDamaged, "%s: its archive is damaged or not an archive (%s)", file, archive.archivePath);
    case 8:    // another process holds the change lock
    case 13:   // the commit lock stayed taken
        return Complain(kExitInUse, "%s: its archive is in use by another program (%s)", file, archive.archivePath);
    default: {
        char number[16];
        snprintf(number, sizeof(number), "%d", static_cast<int>(status));
        return Complain(kExitFailed, "%s: its archive cannot be read (store status %s)", file, number);
    }
    }
}

// Runs a command on a checked working file and its archive. What stops it (a
// bad path; with need other than None an archive that cannot be used; with
// Versions a missing one) is reported before body runs.
enum class ArchiveNeed { None, Usable, Versions };

template <class Body>
int WithArchive(const std::string& file, ArchiveNeed need, Body body)
{
    char path[kPathSize];
    int code = CheckWorkingFile(file, path);
    if (code != kExitOk)
        return code;
    ArchiveFile archive(path);
    if (need != ArchiveNeed::None && (code = CheckArchive(file, archive, need == ArchiveNeed::Versions)) != kExitOk)
        return code;
    return body(archive);
}

// A temporary file for one retrieved version, removed when the object goes.
class TempCopy {
public:
    TempCopy()
    {
        valid_ = CreatePrivateTempFile("FY#", path_);
    }
    ~TempCopy()
    {
        if (valid_)
            DeleteFileA(path_);
    }
    TempCopy(const TempCopy&) = delete;
    TempCopy& operator=(const TempCopy&) = delete;
    bool Valid() const { return valid_; }
    const char* Path() const { return path_; }

private:
    char path_[MAX_PATH] = "";
    bool valid_ = false;
};

bool HasVersion(ArchiveFile& archive, int version)
{
    VersionItem* items = nullptr;
    int count = archive.ListVersions(&items);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || items[i].number == version;
    delete[] items;
    return found;
}

// The content of a version (0: the working file) into bytes.
int ReadVersion(const std::string& file, ArchiveFile& archive, int version, std::string* bytes)
{
    std::string source = archive.workingPath;
    TempCopy copy;
    if (version != 0) {
        if (!HasVersion(archive, version)) {
            char number[16];
            snprintf(number, sizeof(number), "%d", version);
            return Complain(kExitNoVersion, "%s: has no version %s", file, number);
        }
        if (!copy.Valid())
            return Complain(kExitFailed, "%s: no temporary file for the version", file);
        StoreStatus status = archive.RetrieveVersion(copy.Path(), version);
        if (status != 0)
            return Complain(status == 5 || status == 6 ? kExitDamaged : kExitFailed,
                            "%s: the version could not be read from its archive", file);
        source = copy.Path();
    }
    FILE* in = fopen(source.c_str(), "rb");
    if (!in)
        return Complain(kExitFailed, "%s: cannot be read", file);
    bytes->clear();
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), in)) > 0)
        bytes->append(buffer, got);
    fclose(in);
    return kExitOk;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

typedef void(WINAPI* ArchiveProc)(HWND, const char*);
typedef void(WINAPI* RetrieveProc)(HWND, const char*);
typedef int(WINAPI* RetrieveExProc)(HWND, const char*, const char*);

// FENNORY.DLL beside fy.exe, for the exports that show the module's dialogs.
void* ModuleExport(const char* name)
{
    static HMODULE module = nullptr;
    if (!module) {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
        char* slash = length ? strrchr(path, '\\') : nullptr;
        if (!slash || static_cast<size_t>(slash - path) + 13 >= sizeof(path))
            return nullptr;
        strcpy(slash + 1, "FENNORY.DLL");
        module = LoadLibraryA(path);
        if (!module)
            return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

int MissingExport(const char* name)
{
    fprintf(stderr, "fy: FENNORY.DLL beside fy.exe is missing or has no %s\n", name);
    return kExitFailed;
}

}  // namespace

int SaveCommand(const std::string& file, const std::string* comment, bool permanent)
{
    char path[kPathSize];
    int code = CheckWorkingFile(file, path);
    if (code != kExitOk)
        return code;
    if (!comment) {
        // No comment: Fennory's own dialog asks for it, as the shell's Save does.
        auto proc = reinterpret_cast<ArchiveProc>(ModuleExport("FYArchive"));
        if (!proc)
            return MissingExport("FYArchive");
        proc(nullptr, path);
        return kExitOk;
    }
    if (comment->size() >= sizeof(VersionItem::comment))
        return Complain(kExitUsage, "%s: comment too long (at most 131 characters)", file);
    if (IsExcluded(path, IDS_REG_VERSION_EXCLUDE))
        return Complain(kExitNothing, "%s: files of this type are not versioned (see fy settings)", file);
    ArchiveFile archive(path);
    bool exists = archive.IsValid() && archive.Exists();
    if ((code = CheckArchive(file, archive, false)) != kExitOk)
        return code;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) && data.nFileSizeLow == 0 && data.nFileSizeHigh == 0)
        return Complain(kExitNothing, "%s: is empty; nothing saved", file);
    if (!archive.IsWorkingFileNewer())
        return Complain(kExitNothing, "%s: not newer than its latest version; nothing saved", file);
    if (!exists) {
        DWORD maxTemp = 10, compress = 0, single = 1;
        ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &maxTemp);
        ReadSettingDword(IDS_REG_USE_COMPRESSION, &compress);
        ReadSettingDword(IDS_REG_SINGLE_LOCATION, &single);
        if (maxTemp < 1 || maxTemp > 32767)
            maxTemp = 10;
        if (archive.CreateWithFirstVersion(permanent ? 1 : 0, static_cast<int>(maxTemp), compress ? 1 : 0,
                                           single ? 1 : 0) != 0)
            return Complain(kExitFailed, "%s: the archive could not be created", file);
        printf("%s: saved version 1 (a new archive; its first version has no comment)\n", file.c_str());
        return kExitOk;
    }
    if (!archive.AddVersion(comment->c_str(), permanent ? 1 : 0))
        return Complain(kExitFailed, "%s: the version could not be saved", file);
    printf("%s: saved version %d\n", file.c_str(), archive.VersionCounter());
    return kExitOk;
}

int LogCommand(const std::string& file, bool csv)
{
    return WithArchive(file, ArchiveNeed::Versions, [&](ArchiveFile& archive) -> int {
        VersionItem* items = nullptr;
        int count = archive.ListVersions(&items);
        if (count < 0)
            return Complain(kExitDamaged, "%s: its archive is damaged or not an archive", file);
        std::unique_ptr<VersionItem[]> owned(items);
        // One buffered write for the whole list: 10,000 versions print at once.
        std::string out;
        out.reserve(static_cast<size_t>(count) * 96 + 64);
        char line[512];
        if (csv)
            out += "version,permanent,date,user,comment\r\n";
        else
            out += "Version  Kept       Saved                 User              Comment\r\n";
        for (int i = 0; i < count; ++i) {
            const VersionItem& v = items[i];
            if (csv) {
                snprintf(line, sizeof(line), "%d,%d,", v.number, v.permanent ? 1 : 0);
                out += line;
                out += CsvField(v.dateText) + "," + CsvField(v.user) + "," + CsvField(v.comment) + "\r\n";
            } else {
                std::string comment = v.comment;
                for (char& c : comment) {
                    if (c == '\r' || c == '\n')
                        c = ' ';
                }
                snprintf(line, sizeof(line), "%7d  %-9s  %-20s  %-16s  %s\r\n", v.number,
                         v.permanent ? "permanent" : "temporary", v.dateText, v.user, comment.c_str());
                out += line;
            }
        }
        _setmode(_fileno(stdout), _O_BINARY);
        fwrite(out.data(), 1, out.size(), stdout);
        fflush(stdout);
        return kExitOk;
    });
}

int CatCommand(const std::string& file, int version)
{
    ArchiveNeed need = version != 0 ? ArchiveNeed::Versions : ArchiveNeed::None;
    return WithArchive(file, need, [&](ArchiveFile& archive) -> int {
        std::string bytes;
        int code = ReadVersion(file, archive, version, &bytes);
        if (code != kExitOk)
            return code;
        _setmode(_fileno(stdout), _O_BINARY);
        fwrite(bytes.data(), 1, bytes.size(), stdout);
        fflush(stdout);
        return kExitOk;
    });
}

int RestoreCommand(const std::string& file, int version)
{
    return WithArchive(file, ArchiveNeed::Versions, [&](ArchiveFile& archive) -> int {
        char number[16];
        snprintf(number, sizeof(number), "%d", version);
        if (!HasVersion(archive, version))
            return Complain(kExitNoVersion, "%s: has no version %s", file, number);
        // The version is read out first, so a failure leaves the working file alone.
        TempCopy copy;
        if (!copy.Valid() || archive.RetrieveVersion(copy.Path(), version) != 0)
            return Complain(kExitFailed, "%s: version %s could not be read from its archive", file, number);
        // Nothing is lost: the current state becomes a version before it is replaced.
        if (archive.IsWorkingFileNewer()) {
            char comment[64];
            snprintf(comment, sizeof(comment), "Before restoring version %d", version);
            if (!archive.AddVersion(comment, 0))
                return Complain(kExitFailed, "%s: the current state could not be saved; nothing restored", file);
            printf("%s: saved the current state as version %d\n", file.c_str(), archive.VersionCounter());
        }
        if (!CopyFileA(copy.Path(), archive.workingPath, FALSE))
            return Complain(kExitFailed, "%s: could not be replaced (in use or read-only?)", file);
        printf("%s: restored version %d\n", file.c_str(), version);
        return kExitOk;
    });
}

int DiffCommand(const std::string& file, int left, int right)
{
    ArchiveNeed need = left != 0 || right != 0 ? ArchiveNeed::Versions : ArchiveNeed::None;
    return WithArchive(file, need, [&](ArchiveFile& archive) -> int {
        std::string a, b;
        int code;
        if ((code = ReadVersion(file, archive, left, &a)) != kExitOk ||
            (code = ReadVersion(file, archive, right, &b)) != kExitOk)
            return code;
        if (a == b)
            return kExitOk;
        auto name = [&](int v) {
            return v == 0 ? file + " (working file)" : file + " (version " + std::to_string(v) + ")";
        };
        if (a.find('\0') != std::string::npos || b.find('\0') != std::string::npos) {
            printf("Binary versions %s and %s differ\n", name(left).c_str(), name(right).c_str());
            return kExitDiffers;
        }
        std::vector<std::string> linesA = SplitLines(a), linesB = SplitLines(b);
        dtl::Diff<std::string, std::vector<std::string>> diff(linesA, linesB);
        diff.compose();
        diff.composeUnifiedHunks();
        std::cout << "--- " << name(left) << "\n+++ " << name(right) << "\n";
        diff.printUnifiedFormat(std::cout);
        std::cout.flush();
        return kExitDiffers;
    });
}

int InfoCommand(const std::string& file)
{
    return WithArchive(file, ArchiveNeed::Usable, [&](ArchiveFile& archive) -> int {
        printf("File:          %s\n", archive.workingPath);
        if (!archive.Exists()) {
            printf("Archive:       none (it would be %s)\n", archive.archivePath);
            return kExitOk;
        }
        WIN32_FILE_ATTRIBUTE_DATA data;
        unsigned long long size = 0;
        if (GetFileAttributesExA(archive.archivePath, GetFileExInfoStandard, &data))
            size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        printf("Archive:       %s\n", archive.archivePath);
        printf("Versions:      %d (%d temporary, at most %d kept)\n", archive.CountVersions(),
               archive.CountTemporaryVersions(), archive.GetMaxTempVersions());
        printf("Compressed:    %s\n", archive.IsCompressed() ? "yes" : "no");
        printf("Size on disk:  %llu bytes\n", size);
        return kExitOk;
    });
}

int HistoryCommand(const std::string& file)
{
    char path[kPathSize];
    int code = CheckWorkingFile(file, path);
    if (code != kExitOk)
        return code;
    auto proc = reinterpret_cast<RetrieveProc>(ModuleExport("FYRetrieve"));
    if (!proc)
        return MissingExport("FYRetrieve");
    proc(nullptr, path);
    return kExitOk;
}

int RetrieveCommand(const std::string& file, const std::string* destination)
{
    char path[kPathSize], target[kPathSize] = "";
    int code = CheckWorkingFile(file, path);
    if (code != kExitOk)
        return code;
    if (destination) {
        DWORD length = GetFullPathNameA(destination->c_str(), kPathSize, target, nullptr);
        if (destination->size() >= kPathSize || length == 0 || length >= kPathSize)
            return Complain(kExitTooLong, "%s: path too long (at most 259 characters)", *destination);
    }
    auto proc = reinterpret_cast<RetrieveExProc>(ModuleExport("FYRetrieveEx"));
    if (!proc)
        return MissingExport("FYRetrieveEx");
    int result = proc(nullptr, path, destination ? target : nullptr);
    if (result == 1)
        return kExitOk;
    if (result == 2) {
        fprintf(stderr, "fy: cancelled; nothing retrieved\n");
        return kExitNothing;
    }
    return Complain(kExitFailed, "%s: the Retrieve Version dialog could not be shown", file);
}

int SettingsCommand()
{
    printf("Fennory settings (HKEY_LOCAL_MACHINE\\Software\\Zentrik\\Fennory\\Settings):\n");
    const struct {
        const char* label;
        UINT id;
        DWORD fallback;
    } numbers[] = {
        {"EnableVersionControl", IDS_REG_ENABLE_VERSION_CONTROL, 0},
        {"UseCompression", IDS_REG_USE_COMPRESSION, 0},
        {"SingleLocation", IDS_REG_SINGLE_LOCATION, 1},
        {"MaxTempVersions", IDS_REG_MAX_TEMP_VERSIONS, 10},
    };
    for (const auto& n : numbers) {
        DWORD value = n.fallback;
        bool read = ReadSettingDword(n.id, &value);
        printf("  %-21s %lu%s\n", n.label, static_cast<unsigned long>(value), read ? "" : " (default)");
    }
    const struct {
        const char* label;
        UINT id;
        const char* fallback;
    } texts[] = {
        {"VersionsPath", IDS_REG_VERSIONS_PATH, "(not set: archives lie beside their files)"},
        {"VersionExclude", IDS_REG_VERSION_EXCLUDE, "(not set: every type is versioned)"},
        {"HelpPath", IDS_REG_HELP_PATH, "(not set)"},
    };
    for (const auto& t : texts) {
        char value[260];
        if (ReadSettingText(t.id, value, sizeof(value)))
            printf("  %-21s %s\n", t.label, value);
        else
            printf("  %-21s %s\n", t.label, t.fallback);
    }
    printf("Change them in the Fennory applet of the Control Panel.\n");
    return kExitOk;
}
