// The twelve exported operations: argument checks, path joining and the
// translation to statuses. No exception leaves this file; every failure is
// traced with the system's error of the file call that caused it.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "change_lock.h"
#include "header_cache.h"
#include "platform.h"
#include "store_api.h"
#include "version_store.h"

using namespace fenn;

namespace {

constexpr size_t kMaxPath = 260;

// folder + separator + name, refused at 260 bytes or more. A bare drive
// ("E:") gives "E:\name"; a folder already ending in a separator keeps one.
bool joinPath(const char* folder, const char* name, std::string* out) {
    if (!folder || !name) return false;
    size_t f = strnlen(folder, kMaxPath);
    size_t n = strnlen(name, kMaxPath);
    if (f >= kMaxPath || n >= kMaxPath || n == 0) return false;
    out->assign(folder, f);
    if (f == 0 || (folder[f - 1] != '\\' && folder[f - 1] != '/')) out->push_back(kPathSeparator);
    out->append(name, n);
    return out->size() < kMaxPath;
}

bool validText(const char* s) { return s && strnlen(s, kMaxPath) < kMaxPath; }

std::string boundedText(const char* s, size_t max) {
    if (!s) return std::string();
    return std::string(s, strnlen(s, max));
}

template <typename Fn>
StoreStatus guarded(const char* operation, Fn fn) {
    platformClearError();
    forgetArchiveKeys();
    StoreError e;
    try {
        e = fn();
    } catch (const std::bad_alloc&) {
        e = StoreError::NoMemory;
    } catch (...) {
        e = StoreError::Io;
    }
    if (e == StoreError::Ok) return 0;
    // A file another program kept past the file layer's retries: in use,
    // to be tried again, not a failure of the disk.
    uint32_t system = platformLastError();
    if (e == StoreError::Io && platformErrorIsInUse(system)) e = StoreError::Locked;
    char line[120];
    std::snprintf(line, sizeof line, "FENN232: %s: status %d (system error %u)\r\n", operation,
                  int(toStatus(e)), unsigned(system));
    platformTrace(line);
    return toStatus(e);
}

VersionNote noteOf(const char* user, const char* comment, int32_t permanent) {
    VersionNote n;
    n.user = boundedText(user, 35);
    n.comment = boundedText(comment, 128);
    n.permanent = permanent != 0;
    return n;
}

StoreHeaderHandle g_lastHandle = 0;

}  // namespace

extern "C" {

StoreStatus FY_STORE_CALL StoreCreateArchive(
    const char* fileName, const char* archiveName, const char* fileFolder, const char* archiveFolder,
    const char* userName, const char* comment, const char*, int32_t permanent, int32_t, int32_t,
    int32_t maxTemp, int32_t, int32_t, int32_t compress, int32_t) {
    return guarded("StoreCreateArchive", [&] {
        std::string source, archive;
        if (!joinPath(fileFolder, fileName, &source) || !joinPath(archiveFolder, archiveName, &archive))
            return StoreError::PathTooLong;
        return VersionStore(platformFileSystem())
            .create(archive, source, noteOf(userName, comment, permanent), maxTemp, compress != 0);
    });
}

StoreStatus FY_STORE_CALL StoreAddVersion(
    const char* fileName, const char* archiveName, const char* fileFolder, const char* archiveFolder,
    const char* userName, const char* comment, const char*, int32_t permanent, int32_t, int32_t,
    int32_t, int32_t, const StoreContext*) {
    return guarded("StoreAddVersion", [&] {
        std::string source, archive;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        VersionStore store(platformFileSystem());
        if (!joinPath(fileFolder, fileName, &source)) {
            store.refuse(archive);  // the lease taken for this save goes back
            return StoreError::PathTooLong;
        }
        return store.add(archive, source, noteOf(userName, comment, permanent));
    });
}

StoreStatus FY_STORE_CALL StoreSetLock(
    const char*, const char* archiveName, const char*, const char* archiveFolder, const char*,
    int32_t lock, int32_t, const StoreContext*) {
    // The file named does not matter: the lock belongs to the archive.
    return guarded("StoreSetLock", [&] {
        std::string archive;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        VersionStore store(platformFileSystem());
        if (lock == 0) {
            store.unlock(archive);
            return StoreError::Ok;
        }
        return store.lock(archive);
    });
}

StoreStatus FY_STORE_CALL StoreReadHeader(const char* archivePath, ArchiveHeader* header,
                                          StoreHeaderHandle* handle) {
    return guarded("StoreReadHeader", [&] {
        if (!validText(archivePath) || !header || !handle) return StoreError::BadArgument;
        ArchiveState state;
        std::string path(archivePath);
        StoreError e = VersionStore(platformFileSystem()).read(path, &state);
        if (e != StoreError::Ok) return e;
        if (state.catalog.versions.size() > 65535) return StoreError::Corrupt;
        VersionEntry* entries = HeaderCache::entriesFor(path, state);
        std::memset(header, 0, sizeof *header);
        header->count = uint16_t(state.catalog.versions.size());
        header->counter = state.catalog.counter;
        header->storeWord = uint16_t(kFormatVersion);
        header->compressed = state.catalog.compressed ? 1 : 0;
        header->entries = entries;
        *handle = ++g_lastHandle == 0 ? ++g_lastHandle : g_lastHandle;
        return StoreError::Ok;
    });
}

StoreStatus FY_STORE_CALL StoreReleaseHeader(StoreHeaderHandle handle) {
    // Nothing to free: the entry array outlives the release on purpose.
    return toStatus(handle != 0 && handle <= g_lastHandle ? StoreError::Ok : StoreError::BadArgument);
}

StoreStatus FY_STORE_CALL StoreGetMaxTemp(const char* archiveName, const char* archiveFolder, int32_t* value,
                                          const StoreContext*) {
    return guarded("StoreGetMaxTemp", [&] {
        std::string archive;
        if (!value) return StoreError::BadArgument;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).getMaxTemp(archive, value);
    });
}

StoreStatus FY_STORE_CALL StoreSetMaxTemp(const char* archiveName, const char* archiveFolder, const char*,
                                          int32_t maxTemp, const StoreContext*) {
    return guarded("StoreSetMaxTemp", [&] {
        std::string archive;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).setMaxTemp(archive, maxTemp);
    });
}

StoreStatus FY_STORE_CALL StoreGetPermanent(const char* archiveName, const char* archiveFolder, const char*,
                                            int32_t version, int32_t* flag, const StoreContext*) {
    return guarded("StoreGetPermanent", [&] {
        std::string archive;
        if (!flag) return StoreError::BadArgument;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        bool permanent = false;
        StoreError e = VersionStore(platformFileSystem()).getPermanent(archive, version, &permanent);
        if (e == StoreError::Ok) *flag = permanent ? 1 : 0;
        return e;
    });
}

StoreStatus FY_STORE_CALL StoreSetPermanent(const char* archiveName, const char* archiveFolder, const char*,
                                            const char*, int32_t version, int32_t flag, const StoreContext*) {
    return guarded("StoreSetPermanent", [&] {
        std::string archive;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).setPermanent(archive, version, flag != 0);
    });
}

StoreStatus FY_STORE_CALL StoreDeleteVersion(const char* archiveName, const char* archiveFolder, const char*,
                                             const char*, int32_t version, int32_t, const StoreContext*) {
    return guarded("StoreDeleteVersion", [&] {
        std::string archive;
        if (!joinPath(archiveFolder, archiveName, &archive)) return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).remove(archive, version);
    });
}

StoreStatus FY_STORE_CALL StoreRetrieveVersion(
    const char* outName, const char* archiveName, const char* outFolder, const char* archiveFolder,
    const char*, const char*, int32_t version, int32_t, int32_t, int32_t, const StoreContext*) {
    return guarded("StoreRetrieveVersion", [&] {
        std::string out, archive;
        if (!joinPath(outFolder, outName, &out) || !joinPath(archiveFolder, archiveName, &archive))
            return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).retrieve(archive, version, out);
    });
}

int32_t FY_STORE_CALL StoreIsWorkingNewer(const char* fileName, const char* archiveName, const char* fileFolder,
                                          const char* archiveFolder) {
    // Greater than 0: newer; 0: not newer; below 0: the negated failure.
    bool newer = false;
    StoreStatus s = guarded("StoreIsWorkingNewer", [&] {
        std::string working, archive;
        if (!joinPath(fileFolder, fileName, &working) || !joinPath(archiveFolder, archiveName, &archive))
            return StoreError::PathTooLong;
        return VersionStore(platformFileSystem()).isWorkingNewer(archive, working, &newer);
    });
    if (s != 0) return -s;
    return newer ? 1 : 0;
}

}  // extern "C"
