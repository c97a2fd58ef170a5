#include "settings_scope.h"

#include <gtest/gtest.h>

#include "win/handle.h"

namespace fytest {

SettingsScope::SettingsScope()
{
    RemoveKey();
}

SettingsScope::~SettingsScope()
{
    RemoveKey();
}

void SettingsScope::SetRaw(const char* name, DWORD type, const void* bytes, DWORD size)
{
    win::RegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(bytes), size), ERROR_SUCCESS);
}

void SettingsScope::SetString(const char* name, const std::string& value)
{
    SetRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SettingsScope::SetDword(const char* name, DWORD value)
{
    SetRaw(name, REG_DWORD, &value, sizeof(value));
}

void SettingsScope::Remove(const char* name)
{
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}

std::string RegistryText(HKEY root, const std::string& key, const char* name)
{
    char text[600] = "";
    DWORD size = sizeof(text), type = 0;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text, &size) != ERROR_SUCCESS)
        return "(missing)";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(text)) : text;
}

void SettingsScope::RemoveKey()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Zentrik");
}

bool SettingsScope::KeyExists()
{
    win::RegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

ReadOnlyKeyScope::ReadOnlyKeyScope(HKEY key) : key_(key)
{
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot read the key's access list";

    // Everyone may read; nobody, the owner included, may set values.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    char aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    FreeSid(everyone);
}

ReadOnlyKeyScope::~ReadOnlyKeyScope()
{
    if (!saved_.empty())
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
}

}  // namespace fytest
