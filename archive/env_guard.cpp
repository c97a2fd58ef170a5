#include "env_guard.h"

#include "safe_string.h"

EnvironmentGuard::EnvironmentGuard(const char* name)
{
    value_[0] = '\0';
    if (!CopyText(name_, name)) {
        // A name we cannot hold is never touched on the way out.
        state_ = State::TooLong;
        return;
    }
    // An empty variable also returns 0; only the error code tells it from an
    // unset one.
    SetLastError(NO_ERROR);
    DWORD length = GetEnvironmentVariableA(name_, value_, sizeof(value_));
    if (length == 0)
        state_ = GetLastError() == ERROR_ENVVAR_NOT_FOUND ? State::Unset : State::Saved;
    else if (length < sizeof(value_))
        state_ = State::Saved;
    else
        state_ = State::TooLong;   // writing back a cut value would break it: leave it alone
}

EnvironmentGuard::~EnvironmentGuard()
{
    if (state_ == State::Saved)
        SetEnvironmentVariableA(name_, value_);
    else if (state_ == State::Unset)
        SetEnvironmentVariableA(name_, nullptr);
}
