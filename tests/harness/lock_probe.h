// Runs lock_probe.exe (beside the test program) against an archive: once to
// ask whether its change lock is free, or held for the life of a LockHolder.
#pragma once

#include <windows.h>

#include <string>

#include "win/handle.h"

namespace fytest {

// The status another process gets when it tries the archive's change lock
// (0: it was free), or -1 when the probe could not be run or did not end.
int TryLockFromAnotherProcess(const std::string& archivePath);

// Holds the archive's change lock from another process until destroyed; the
// process is always ended.
class LockHolder {
public:
    explicit LockHolder(const std::string& archivePath);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool Held() const { return held_; }

private:
    win::KernelHandle process_;
    win::KernelHandle release_;
    bool held_ = false;
};

}  // namespace fytest
