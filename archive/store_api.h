// The version store FENN232.DLL, imported by ordinal.
//
// Every operation returns a 32-bit status, 0 for success (StoreIsWorkingNewer
// excepted: greater than 0 means the working file is newer). Files are passed
// as a name and a folder without a trailing backslash, ANSI, under 260 bytes.
// Only ArchiveFile calls these.
//
// The header is portable: the store's own code includes it when it is built
// natively on Linux, where the calling convention macro is empty.
#pragma once

#include <cstdint>

#include "store_records.h"

#if defined(_WIN32)
#define FY_STORE_CALL __stdcall
#else
#define FY_STORE_CALL
#endif

typedef int32_t StoreStatus;

// The store's failures that the module tells the user apart; any other
// nonzero status is a failure of another kind.
constexpr StoreStatus kStoreNotFound = 3;      // archive or input file missing
constexpr StoreStatus kStoreIoError = 4;       // a read, write or flush was refused
constexpr StoreStatus kStoreCorrupt = 5;       // a checksum or structure check failed
constexpr StoreStatus kStoreForeign = 6;       // not an archive
constexpr StoreStatus kStoreUnsupported = 7;   // an archive of a later format
constexpr StoreStatus kStoreLocked = 8;        // another program holds the change lock
constexpr StoreStatus kStoreBusy = 13;         // the commit lock stayed taken
typedef uint32_t StoreHeaderHandle;

extern "C" {

// 36: creates the archive archiveFolder\archiveName with fileFolder\fileName as
// its first version.
StoreStatus FY_STORE_CALL StoreCreateArchive(
    const char* fileName, const char* archiveName, const char* fileFolder,
    const char* archiveFolder, const char* userName, const char* comment,
    const char* reserved, int32_t permanent, int32_t zero1, int32_t zero2,
    int32_t maxTemp, int32_t maxTemp2, int32_t zero3, int32_t compress, int32_t zero4);

// 31: adds fileFolder\fileName as a new version.
StoreStatus FY_STORE_CALL StoreAddVersion(
    const char* fileName, const char* archiveName, const char* fileFolder,
    const char* archiveFolder, const char* userName, const char* comment,
    const char* reserved, int32_t permanent, int32_t zero1, int32_t zero2,
    int32_t zero3, int32_t zero4, const StoreContext* ctx);

// 29: lock 1 takes the archive's change lock, lock 0 gives it back.
StoreStatus FY_STORE_CALL StoreSetLock(
    const char* fileName, const char* archiveName, const char* fileFolder,
    const char* archiveFolder, const char* userName, int32_t lock, int32_t zero,
    const StoreContext* ctx);

// 27: fills header (zeroed by the caller) and its entry array.
StoreStatus FY_STORE_CALL StoreReadHeader(
    const char* archivePath, ArchiveHeader* header, StoreHeaderHandle* handle);

// 33: ends a header read. The entry array stays readable until the next read.
StoreStatus FY_STORE_CALL StoreReleaseHeader(StoreHeaderHandle handle);

// 21: the cap of temporary versions.
StoreStatus FY_STORE_CALL StoreGetMaxTemp(
    const char* archiveName, const char* archiveFolder, int32_t* value,
    const StoreContext* ctx2);

// 48: sets the cap; temporaries over it are deleted.
StoreStatus FY_STORE_CALL StoreSetMaxTemp(
    const char* archiveName, const char* archiveFolder, const char* userName,
    int32_t maxTemp, const StoreContext* ctx);

// 5: a version's permanent flag.
StoreStatus FY_STORE_CALL StoreGetPermanent(
    const char* archiveName, const char* archiveFolder, const char* reserved,
    int32_t version, int32_t* flag, const StoreContext* ctx);

// 3: sets or clears a version's permanent flag.
StoreStatus FY_STORE_CALL StoreSetPermanent(
    const char* archiveName, const char* archiveFolder, const char* userName,
    const char* reserved, int32_t version, int32_t flag, const StoreContext* ctx);

// 34: deletes one version.
StoreStatus FY_STORE_CALL StoreDeleteVersion(
    const char* archiveName, const char* archiveFolder, const char* userName,
    const char* reserved, int32_t version, int32_t zero, const StoreContext* ctx2);

// 18: writes a version's content to outFolder\outName.
StoreStatus FY_STORE_CALL StoreRetrieveVersion(
    const char* outName, const char* archiveName, const char* outFolder,
    const char* archiveFolder, const char* userName, const char* reserved,
    int32_t version, int32_t two, int32_t zero, int32_t one, const StoreContext* ctx);

// 8: greater than 0 when the working file is newer than the latest version.
int32_t FY_STORE_CALL StoreIsWorkingNewer(
    const char* fileName, const char* archiveName, const char* fileFolder,
    const char* archiveFolder);

}  // extern "C"
