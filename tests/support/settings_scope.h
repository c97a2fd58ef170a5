// The product's registry settings as a test sets them: the key is emptied when
// the scope starts and removed when it ends, so no test sees another's values.
#pragma once

#include <windows.h>

#include <string>

namespace fytest {

constexpr const char* kSettingsKey = "Software\\Zentrik\\Fennory\\Settings";

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

}  // namespace fytest
