#include "applet_settings.h"

#include <cstring>

#include "safe_string.h"
#include "win/handle.h"

namespace cpl {

namespace {

void ReadDword(HKEY key, const char* name, DWORD* value)
{
    DWORD read = 0, size = sizeof(read), type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) == ERROR_SUCCESS &&
        size == sizeof(read))
        *value = read;
}

void ReadText(HKEY key, const char* name, char (&text)[260])
{
    char read[260];
    DWORD size = sizeof(read) - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(read), &size) != ERROR_SUCCESS)
        return;   // missing, or too long for the module to read either
    read[size] = '\0';
    CopyText(text, read);
}

LONG WriteDword(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG WriteText(HKEY key, const char* name, const char* text, bool removeWhenEmpty)
{
    if (removeWhenEmpty && text[0] == '\0') {
        LONG status = RegDeleteValueA(key, name);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

bool IsTypeCharacter(char c)
{
    // What may stand in a file name's extension: no dot, blank or character
    // that a file name cannot hold.
    return static_cast<unsigned char>(c) > ' ' && !strchr(".,\\/:*?\"<>|", c);
}

}  // namespace

void LoadSettings(AppletSettings* settings)
{
    *settings = AppletSettings();
    win::RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    ReadDword(key.Get(), "EnableVersionControl", &settings->enableVersionControl);
    ReadDword(key.Get(), "UseCompression", &settings->useCompression);
    ReadDword(key.Get(), "SingleLocation", &settings->singleLocation);
    ReadDword(key.Get(), "MaxTempVersions", &settings->maxTempVersions);
    ReadText(key.Get(), "VersionsPath", settings->versionsPath);
    ReadText(key.Get(), "VersionExclude", settings->versionExclude);
    ReadText(key.Get(), "HelpPath", settings->helpPath);
}

LONG SaveSettings(const AppletSettings& s)
{
    win::RegKey key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    HKEY k = key.Get();
    if ((status = WriteDword(k, "EnableVersionControl", s.enableVersionControl ? 1 : 0)) != ERROR_SUCCESS ||
        (status = WriteDword(k, "UseCompression", s.useCompression ? 1 : 0)) != ERROR_SUCCESS ||
        (status = WriteDword(k, "SingleLocation", s.singleLocation ? 1 : 0)) != ERROR_SUCCESS ||
        (status = WriteDword(k, "MaxTempVersions", s.maxTempVersions)) != ERROR_SUCCESS ||
        (status = WriteText(k, "VersionsPath", s.versionsPath, true)) != ERROR_SUCCESS ||
        (status = WriteText(k, "VersionExclude", s.versionExclude, false)) != ERROR_SUCCESS ||
        (status = WriteText(k, "HelpPath", s.helpPath, true)) != ERROR_SUCCESS)
        return status;
    return ERROR_SUCCESS;
}

ListProblem CheckExclusionList(const char* list, char* bad, size_t badSize)
{
    if (list[0] == '\0')
        return ListProblem::None;   // nothing excluded
    const char* piece = list;
    for (;;) {
        const char* end = strchr(piece, ',');
        size_t length = end ? static_cast<size_t>(end - piece) : strlen(piece);
        if (length == 0)
            return ListProblem::EmptyEntry;
        for (size_t i = 0; i < length; ++i) {
            if (!IsTypeCharacter(piece[i])) {
                size_t n = length < badSize - 1 ? length : badSize - 1;
                memcpy(bad, piece, n);
                bad[n] = '\0';
                return ListProblem::BadEntry;
            }
        }
        if (!end)
            return ListProblem::None;
        piece = end + 1;
    }
}

void TrimFolder(char* folder)
{
    size_t length = strlen(folder);
    while (length > 0 && folder[length - 1] == '\\') {
        if (length == 3 && folder[1] == ':')
            break;   // C:\ stays a root
        folder[--length] = '\0';
    }
}

bool IsFullPath(const char* path)
{
    bool drive = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\';
    bool unc = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && path[2] != '\\';
    return drive || unc;
}

LONG CreateFolderTree(const char* folder)
{
    char partial[260];
    if (!CopyText(partial, folder))
        return ERROR_FILENAME_EXCED_RANGE;
    // Create each level after the root (the drive, or \\server\share).
    size_t start = 3;
    if (partial[0] == '\\') {
        const char* share = strchr(partial + 2, '\\');
        const char* past = share ? strchr(share + 1, '\\') : nullptr;
        start = past ? static_cast<size_t>(past - partial) + 1 : strlen(partial);
    }
    for (size_t i = start;; ++i) {
        char c = partial[i];
        if (c == '\\' || c == '\0') {
            partial[i] = '\0';
            if (i > start && !CreateDirectoryA(partial, nullptr)) {
                DWORD error = GetLastError();
                if (error != ERROR_ALREADY_EXISTS)
                    return static_cast<LONG>(error);
            }
            partial[i] = c;
            if (c == '\0')
                break;
        }
    }
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return static_cast<LONG>(GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
}

}  // namespace cpl
