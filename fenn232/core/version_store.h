// The store's operations on one archive, over any file layer.
//
// Decisions that belong to this layer:
//  - Creating over an existing file is refused (Exists): an archive's versions
//    are never destroyed by a create, and of two processes creating at once
//    exactly one wins.
//  - Version numbers start at 1 and only grow; the catalog's counter holds the
//    latest number given. When 65535 has been given, adding fails.
//  - The cap counts temporaries only. On add and on a new cap, while there are
//    more temporaries than the cap, the oldest temporary goes; a permanent
//    version never goes. Setting or clearing the permanent flag never trims,
//    so a version made temporary to be deleted cannot push another one out.
//  - "Newer": the working file is newer when its bytes differ from the latest
//    version's. Size different: newer at once; same size and same last-write
//    time as the file the latest version was saved from: not newer;
//    otherwise the working file's hash is compared with the latest content's.
//    An archive without versions is always older.
//  - Adding bytes equal to the latest version's makes a new version that
//    shares the latest content: no content bytes are written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive_file.h"
#include "content_cache.h"
#include "file_system.h"

namespace fenn {

struct VersionNote {
    std::string user;
    std::string comment;
    bool permanent = false;
};

class VersionStore {
public:
    explicit VersionStore(FileSystem& fs) : fs_(fs) {}

    StoreError create(const std::string& archive, const std::string& source, const VersionNote& note,
                      int32_t maxTemp, bool compress);
    StoreError add(const std::string& archive, const std::string& source, const VersionNote& note);
    StoreError remove(const std::string& archive, int32_t number);
    StoreError setPermanent(const std::string& archive, int32_t number, bool permanent);
    StoreError setMaxTemp(const std::string& archive, int32_t maxTemp);

    StoreError read(const std::string& archive, ArchiveState* state);
    StoreError getMaxTemp(const std::string& archive, int32_t* value);
    StoreError getPermanent(const std::string& archive, int32_t number, bool* permanent);
    StoreError retrieve(const std::string& archive, int32_t number, const std::string& out);
    StoreError retrieveBytes(const std::string& archive, int32_t number, std::vector<uint8_t>* out);
    // 1 newer, 0 not newer, or a failure.
    StoreError isWorkingNewer(const std::string& archive, const std::string& working, bool* newer);

    StoreError lock(const std::string& archive);
    void unlock(const std::string& archive);
    // Gives the lease back and answers BadArgument: a change whose arguments
    // are refused before it starts.
    StoreError refuse(const std::string& archive);

private:
    // A new scratch file beside target, made with mode and locked while it
    // is written; scratch files killed writers left there are removed.
    StoreError openScratch(const std::string& target, OpenMode mode, std::string* name,
                           std::unique_ptr<File>* out);
    StoreError readSource(const std::string& path, std::vector<uint8_t>* data, FileStat* stat);
    StoreError change(const std::string& archive, int32_t number, int kind, int32_t value);
    // Where a content stored whole may be written as it is inflated: opened
    // only once the content is known, so that a failing call leaves no file.
    using WholeTarget = std::function<StoreError(File** target)>;
    // Gives version `number`'s content in `out` (from the cache when it
    // holds them), or, for a whole content when `target` is given, writes it
    // there and leaves `out` empty.
    StoreError content(const std::string& archive, int32_t number, ContentCache::Bytes* out,
                       const WholeTarget* target = nullptr);

    FileSystem& fs_;
};

}  // namespace fenn
