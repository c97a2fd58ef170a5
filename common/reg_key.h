// Owns an open registry key and closes it once.
#pragma once

#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    void Attach(HKEY key) { Close(); key_ = key; }
    HKEY Detach() { HKEY key = key_; key_ = nullptr; return key; }
    void Close()
    {
        if (key_) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }

private:
    HKEY key_ = nullptr;
};
