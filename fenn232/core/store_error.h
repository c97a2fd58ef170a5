// Status codes of the version store. 0 is success; every failure is a
// distinct positive value so that a log line says what went wrong.
#pragma once

#include <cstdint>

namespace fenn {

enum class StoreError : int32_t {
    Ok = 0,
    BadArgument = 1,     // null pointer, bad version number, bad cap
    PathTooLong = 2,     // a joined path of 260 bytes or more
    NotFound = 3,        // archive or input file missing
    Io = 4,              // the file system refused a read, write or flush
    // Damaged: a checksum or a structure check failed. Only what needs the
    // damaged bytes reports it: other versions, whose chains do not pass
    // through a damaged block, stay retrievable. The module shows the user
    // that the archive is damaged (never "not newer").
    Corrupt = 5,
    Foreign = 6,         // not an archive: wrong magic
    Unsupported = 7,     // an archive of a later format version
    Locked = 8,          // another live process holds the change lock
    NoSuchVersion = 9,
    Exists = 10,         // creating over an existing archive
    Exhausted = 11,      // all 65535 version numbers have been given
    NoMemory = 12,
    Busy = 13,           // the commit lock stayed taken past the wait bound
    TooLarge = 14,       // content above the store's size limit
};

inline int32_t toStatus(StoreError e) { return static_cast<int32_t>(e); }

}  // namespace fenn
