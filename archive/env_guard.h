// Keeps one process environment variable as it was across a call that may
// change it (the store sets the temporary-folder variables for its own work).
#pragma once

#include <windows.h>

#include "path_util.h"

class EnvironmentGuard {
public:
    // Remembers the variable's value, or that it was unset.
    explicit EnvironmentGuard(const char* name);
    // Puts the value back; an unset variable is removed again.
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    enum class State { Unset, Saved, TooLong };

    char name_[16];
    char value_[kPathSize];
    State state_ = State::Unset;
};
