// The archive's change lock, in two layers.
//
// The lease is what the caller takes with lock 1 and gives back with lock 0:
// an exclusive byte-range lock on the archive, held through an open handle
// that this process keeps in a table. The system drops it when the process
// dies, so a crashed holder never blocks anyone. Taking it waits up to
// waitMs for a live holder to finish; a holder that has kept it longer than
// maxLeaseSeconds (its time is written in the archive's lease record) is
// treated as gone, so not even a hung process blocks an archive for good.
// The same process may take it again while holding it.
//
// Every change also takes the commit lock (a second byte range) around its
// read-modify-commit, after the lease, so changes never interleave even when
// an expired lease let two processes past. Every change gives both back
// before it returns, success or not.
#pragma once

#include <memory>
#include <string>

#include "file_system.h"
#include "store_error.h"

namespace fenn {

struct LockPolicy {
    int waitMs = 5000;
    int64_t maxLeaseSeconds = 300;
};

// Process-wide; tests shorten the waits.
LockPolicy& lockPolicy();

// One archive has one key however its path is spelt: Windows names are
// compared without case, and a short (8.3) name or a relative path names the
// same file as the long, full one. The locks and the content cache use it.
// One operation asks for its archive's key several times, so each thread
// keeps the last key it made until forgetArchiveKeys(), which every exported
// operation calls as it starts (names may change between operations).
std::string archiveKey(const std::string& path);
void forgetArchiveKeys();

class LeaseTable {
public:
    static StoreError acquire(FileSystem& fs, const std::string& archive);
    static void release(const std::string& archive);
    static bool holds(const std::string& archive);
};

class ChangeGuard {
public:
    ChangeGuard() = default;
    ~ChangeGuard();
    ChangeGuard(const ChangeGuard&) = delete;
    ChangeGuard& operator=(const ChangeGuard&) = delete;

    // Takes lease and commit lock and opens the archive for the change.
    StoreError begin(FileSystem& fs, const std::string& archive);
    File& file() { return *file_; }

private:
    std::string archive_;
    std::unique_ptr<File> file_;
    bool committing_ = false;
};

}  // namespace fenn
