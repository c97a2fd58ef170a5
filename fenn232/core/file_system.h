// The store's only door to the disk. The core is written against these two
// interfaces so that one body of code runs over the POSIX layer (native tests,
// fuzzing, benchmark), the Win32 layer (the DLL) and the test layers that fail,
// tear or forget writes at a chosen call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fenn {

enum class OpenMode {
    Read,        // existing file, shared reading and writing by others
    ReadWrite,   // existing file
    CreateNew,   // a new file; fails if the name exists
    // As CreateNew, and only this user (and the system) may open it: what its
    // folder would hand down is not given to it.
    CreatePrivate,
    Truncate,    // create or empty an existing file
};

struct FileStat {
    uint64_t size = 0;
    int64_t modified = 0;  // platform ticks; only compared with themselves
};

class File {
public:
    virtual ~File() = default;
    // Reads exactly size bytes at offset; false on error or short read.
    virtual bool read(uint64_t offset, void* data, size_t size) = 0;
    virtual bool write(uint64_t offset, const void* data, size_t size) = 0;
    virtual bool size(uint64_t* out) = 0;
    virtual bool truncate(uint64_t size) = 0;
    // Returns once everything written so far is on stable storage.
    virtual bool flush() = 0;
    // Byte-range lock far beyond the data. Held until unlock or until the
    // handle closes, which the system also does when the process dies.
    virtual bool tryLock(uint64_t offset, uint64_t length) = 0;
    virtual bool unlock(uint64_t offset, uint64_t length) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;
    virtual bool stat(const std::string& path, FileStat* out) = 0;
    virtual bool exists(const std::string& path) = 0;
    // Gives `from` the name `to` only if `to` does not exist, durably.
    virtual bool renameNoReplace(const std::string& from, const std::string& to) = 0;
    // Gives `from` the name `to`, replacing a file of that name, durably.
    virtual bool renameReplace(const std::string& from, const std::string& to) = 0;
    virtual bool remove(const std::string& path) = 0;
    // Seconds since 1970, UTC, for version stamps and lease ages.
    virtual int64_t now() = 0;
    virtual void sleepMs(int ms) = 0;
};

// The index-th scratch name beside `path`, no longer than the file name of
// `path` itself (at least four characters), so that every archive whose own
// path fits the 260-byte limit can be built aside and renamed into place:
// "~" and the last hex digits of a hash of the path (without case) and the
// index. The same path always gives the same names, so the next writer finds
// what a killed one left; short names can be shared by several paths, and
// each writer takes the first name no live writer holds.
std::string scratchPathBeside(const std::string& path, uint32_t index);

}  // namespace fenn
