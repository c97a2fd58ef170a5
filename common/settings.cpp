#include "settings.h"

#include <cstring>

#include "resource.h"
#include "string_res.h"
#include "win/handle.h"

HKEY OpenSettingsKeyForWriting()
{
    char keyPath[256];
    LoadStr(IDS_SETTINGS_KEY, keyPath);

    // Walk the path one component at a time from HKEY_LOCAL_MACHINE, creating
    // what is missing, so that a first run leaves the empty key behind.
    HKEY parent = HKEY_LOCAL_MACHINE;
    win::RegKey held;
    char* context = nullptr;
    for (char* part = strtok_r(keyPath, "\\", &context); part; part = strtok_r(nullptr, "\\", &context)) {
        HKEY child = nullptr;
        LONG status = RegCreateKeyExA(parent, part, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                                      KEY_READ | KEY_WRITE, nullptr, &child, nullptr);
        if (status != ERROR_SUCCESS)
            return nullptr;   // `held` closes the key in hand
        held.Attach(child);
        parent = child;
    }
    if (parent == HKEY_LOCAL_MACHINE)
        return nullptr;       // an empty key path names no key of ours
    return held.Detach();
}

HKEY OpenSettingsKey()
{
    // Read access is all a reader needs, and all an ordinary account gets
    // below HKEY_LOCAL_MACHINE: asking for more would make every setting
    // read as missing outside an elevated process.
    char keyPath[256];
    LoadStr(IDS_SETTINGS_KEY, keyPath);
    HKEY key = nullptr;
    if (keyPath[0] && RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS)
        return key;
    // Not there yet: made on first use where the account may.
    return OpenSettingsKeyForWriting();
}

bool ReadSetting(UINT nameId, void* buffer, DWORD* size)
{
    win::RegKey key(OpenSettingsKey());
    if (!key)
        return false;
    char name[256];
    LoadStr(nameId, name);
    return RegQueryValueExA(key.Get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), size) == ERROR_SUCCESS;
}

bool ReadSettingDword(UINT nameId, DWORD* value)
{
    // Read the whole value so that a longer one (a number stored as text, say)
    // still gives its first four bytes instead of failing for want of room.
    BYTE bytes[512];
    DWORD size = sizeof(bytes);
    if (!ReadSetting(nameId, bytes, &size) || size == 0)
        return false;
    DWORD result = 0;
    memcpy(&result, bytes, size < sizeof(result) ? size : sizeof(result));
    *value = result;
    return true;
}

bool ReadSettingText(UINT nameId, char* buffer, DWORD size)
{
    if (size == 0)
        return false;
    DWORD stored = size;
    if (!ReadSetting(nameId, buffer, &stored)) {
        buffer[0] = '\0';
        return false;
    }
    if (stored < size) {
        buffer[stored] = '\0';
    } else if (buffer[size - 1] != '\0') {
        buffer[0] = '\0';   // no room for the terminator: too long to use
        return false;
    }
    return true;
}

namespace {

// The extension of the file-name part of path, without its dot; empty when
// the name has none.
const char* ExtensionOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    const char* dot = strrchr(name, '.');
    return dot ? dot + 1 : "";
}

}  // namespace

bool IsExcluded(const char* path, UINT listId)
{
    char list[260];
    if (!ReadSettingText(listId, list, sizeof(list)))
        return false;

    const char* longExtension = ExtensionOf(path);
    if (!*longExtension)
        return false;   // a file without an extension is never excluded
    char shortPath[260];
    DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof(shortPath));
    const char* shortExtension = (shortLength > 0 && shortLength < sizeof(shortPath)) ? ExtensionOf(shortPath) : "";

    char* context = nullptr;
    for (char* piece = strtok_r(list, ",", &context); piece; piece = strtok_r(nullptr, ",", &context)) {
        if (lstrcmpiA(piece, longExtension) == 0 ||
            (*shortExtension && lstrcmpiA(piece, shortExtension) == 0))
            return true;
    }
    return false;
}
