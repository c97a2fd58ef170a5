#include "change_lock.h"

#include "archive_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#if defined(_WIN32)
#include <windows.h>
#endif

#include "block_format.h"

namespace fenn {
namespace {

std::mutex& tableMutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, std::unique_ptr<File>>& table() {
    static std::map<std::string, std::unique_ptr<File>> t;
    return t;
}

}  // namespace

#if defined(_WIN32)
namespace {

// Plain arrays: a thread-local with a destructor is best kept out of a DLL
// that may be unloaded while threads it served still run.
thread_local char t_knownPath[MAX_PATH];
thread_local char t_knownKey[MAX_PATH];

std::string makeKey(const std::string& path) {
    std::string k = path;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) {
        k = full;
        // The long form is looked up folder by folder on the disk, which
        // costs milliseconds on a busy machine. A name the system shortened
        // always carries a '~'; a path without one is its own long form.
        char longName[MAX_PATH];
        if (k.find('~') != std::string::npos) {
            n = GetLongPathNameA(full, longName, MAX_PATH);
            if (n > 0 && n < MAX_PATH) k = longName;
        }
    }
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return k;
}

}  // namespace

std::string archiveKey(const std::string& path) {
    if (t_knownKey[0] && path == t_knownPath) return t_knownKey;
    std::string key = makeKey(path);
    if (path.size() < MAX_PATH && key.size() < MAX_PATH && !path.empty()) {
        std::memcpy(t_knownPath, path.c_str(), path.size() + 1);
        std::memcpy(t_knownKey, key.c_str(), key.size() + 1);
    }
    return key;
}

void forgetArchiveKeys() { t_knownKey[0] = 0; }
#else
std::string archiveKey(const std::string& path) { return path; }

void forgetArchiveKeys() {}
#endif

LockPolicy& lockPolicy() {
    static LockPolicy p;
    return p;
}

StoreError LeaseTable::acquire(FileSystem& fs, const std::string& archive) {
    std::string key = archiveKey(archive);
    {
        std::lock_guard<std::mutex> g(tableMutex());
        if (table().count(key)) return StoreError::Ok;
    }
    std::unique_ptr<File> f = fs.open(archive, OpenMode::ReadWrite);
    if (!f) return fs.exists(archive) ? StoreError::Io : StoreError::NotFound;
    // The lease record is written into the file: never into one that is not
    // an archive of ours (or a damaged one), which must stay as it is.
    StoreError kind = ArchiveFile::identify(*f);
    if (kind != StoreError::Ok) return kind;
    const LockPolicy policy = lockPolicy();
    for (int waited = 0;; waited += 10) {
        if (f->tryLock(kLeaseLockOffset, 1)) {
            uint8_t record[kFixedSize];
            BlockFormat::encodeLease(fs.now(), record);
            f->write(kLeaseOffset, record, sizeof record);  // advisory: no flush
            std::lock_guard<std::mutex> g(tableMutex());
            table()[key] = std::move(f);
            return StoreError::Ok;
        }
        if (waited >= policy.waitMs) break;
        fs.sleepMs(10);
    }
    uint8_t record[kFixedSize];
    int64_t acquired = 0;
    if (f->read(kLeaseOffset, record, sizeof record) && BlockFormat::decodeLease(record, &acquired) &&
        fs.now() - acquired > policy.maxLeaseSeconds)
        return StoreError::Ok;  // the holder is hung; the commit lock still keeps changes apart
    return StoreError::Locked;
}

void LeaseTable::release(const std::string& archive) {
    std::unique_ptr<File> f;
    {
        std::lock_guard<std::mutex> g(tableMutex());
        auto it = table().find(archiveKey(archive));
        if (it == table().end()) return;
        f = std::move(it->second);
        table().erase(it);
    }
    f->unlock(kLeaseLockOffset, 1);
}

bool LeaseTable::holds(const std::string& archive) {
    std::lock_guard<std::mutex> g(tableMutex());
    return table().count(archiveKey(archive)) != 0;
}

ChangeGuard::~ChangeGuard() {
    if (committing_) file_->unlock(kCommitLockOffset, 1);
    file_.reset();
    if (!archive_.empty()) LeaseTable::release(archive_);
}

StoreError ChangeGuard::begin(FileSystem& fs, const std::string& archive) {
    // Lease first, commit lock second, in every process: no deadlock.
    StoreError e = LeaseTable::acquire(fs, archive);
    if (e != StoreError::Ok) return e;
    archive_ = archive;
    file_ = fs.open(archive, OpenMode::ReadWrite);
    if (!file_) return fs.exists(archive) ? StoreError::Io : StoreError::NotFound;
    const int waitMs = std::max(lockPolicy().waitMs, 30000);
    for (int waited = 0;; waited += 5) {
        if (file_->tryLock(kCommitLockOffset, 1)) {
            committing_ = true;
            return StoreError::Ok;
        }
        if (waited >= waitMs) return StoreError::Busy;
        fs.sleepMs(5);
    }
}

}  // namespace fenn
