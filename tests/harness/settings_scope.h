// The product's registry settings as a test sets them: the key is emptied when
// the scope starts and removed when it ends, so no test sees another's values.
#pragma once

#include <windows.h>

#include <string>

namespace fytest {

constexpr const char* kSettingsKey = "Software\\Zentrik\\Fennory\\Settings";

// A registry value as text: a number in decimal, "(missing)" when it cannot be read.
std::string RegistryText(HKEY root, const std::string& key, const char* name);

class SettingsScope {
public:
    SettingsScope();
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

    void SetString(const char* name, const std::string& value);
    void SetDword(const char* name, DWORD value);
    void SetRaw(const char* name, DWORD type, const void* bytes, DWORD size);
    void Remove(const char* name);

    // Removes the whole settings key, as on a machine that never had one.
    static void RemoveKey();
    static bool KeyExists();
};

// Gives a registry key a list that lets everyone read it and nobody write it,
// for the scope's life; the key's former list comes back at the end. key must
// be open with READ_CONTROL and WRITE_DAC.
class ReadOnlyKeyScope {
public:
    explicit ReadOnlyKeyScope(HKEY key);
    ~ReadOnlyKeyScope();
    ReadOnlyKeyScope(const ReadOnlyKeyScope&) = delete;
    ReadOnlyKeyScope& operator=(const ReadOnlyKeyScope&) = delete;

private:
    HKEY key_;
    std::string saved_;   // the former security descriptor, self-relative
};

}  // namespace fytest
