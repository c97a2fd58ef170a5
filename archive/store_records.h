// Records exchanged with the version store FENN232.DLL.
//
// Their byte layout is fixed by the store's interface. On 32-bit Windows every
// record has exactly the size and offsets asserted below. On 64-bit Windows the
// only field that changes is the entry address in ArchiveHeader, which is a
// pointer and so widens to 8 bytes at the same offset; see docs/records.md for
// the table of both layouts.
//
// This header is portable (no windows.h) so that the store's own code, built
// natively on Linux, fills exactly the records the module reads.
#pragma once

#include <cstddef>
#include <cstdint>

// Call context handed to most store operations: a text (the product caption
// for the primary context, empty for the secondary one) and a mode.
struct StoreContext {
    char text[128];
    uint16_t mode;
    uint8_t reserved[14];
};

// One version as the store lists it.
struct VersionEntry {
    char comment[129];    // NUL-terminated, at most 128 characters
    char user[67];        // NUL-terminated; readers use at most 35 characters
    uint16_t number;      // never 0: 0 means the working file itself
    int16_t permanent;    // 1 permanent, 0 temporary
    uint32_t stamp;       // UTC, packed MS-DOS date and time
    uint8_t reserved1[8];
    uint32_t storeData;   // the store's own value; the module does not read it
    uint8_t reserved2[12];
};

// The archive header the store fills for StoreReadHeader. The module reads the
// count, counter, compression flag and the entry address; the rest is the
// store's.
struct ArchiveHeader {
    uint8_t storeArea[372];
    uint16_t count;          // number of versions
    uint16_t counter;        // the archive's version counter
    uint16_t storeWord;      // the store's
    uint16_t compressed;     // nonzero: compressed archive
    uint8_t storeArea2[4];
    VersionEntry* entries;   // count entries, in the store's order
    uint8_t storeTail[256];
};

// What FYInfo reports about a working file.
struct VersionInfo {
    int32_t archiveExists;
    int32_t versionCount;
};

static_assert(sizeof(StoreContext) == 144, "StoreContext is 144 bytes");
static_assert(offsetof(StoreContext, mode) == 128, "StoreContext mode at 128");

static_assert(sizeof(VersionEntry) == 228, "VersionEntry is 228 bytes");
static_assert(offsetof(VersionEntry, comment) == 0, "comment at 0");
static_assert(offsetof(VersionEntry, user) == 129, "user at 129");
static_assert(offsetof(VersionEntry, number) == 196, "number at 196");
static_assert(offsetof(VersionEntry, permanent) == 198, "permanent at 198");
static_assert(offsetof(VersionEntry, stamp) == 200, "stamp at 200");
static_assert(offsetof(VersionEntry, storeData) == 212, "store value at 212");

static_assert(offsetof(ArchiveHeader, count) == 372, "count at 372");
static_assert(offsetof(ArchiveHeader, counter) == 374, "counter at 374");
static_assert(offsetof(ArchiveHeader, compressed) == 378, "compression flag at 378");
static_assert(offsetof(ArchiveHeader, entries) == 384, "entry address at 384");
static_assert(sizeof(ArchiveHeader) == 384 + sizeof(void*) + 256,
              "ArchiveHeader: 644 bytes with 4-byte pointers, 648 with 8-byte ones");
static_assert(sizeof(void*) != 4 || sizeof(ArchiveHeader) == 644, "ArchiveHeader is 644 bytes on 32-bit");

static_assert(sizeof(VersionInfo) == 8, "VersionInfo is 8 bytes");
static_assert(offsetof(VersionInfo, versionCount) == 4, "versionCount at 4");
