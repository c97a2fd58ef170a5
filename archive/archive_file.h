// The archive object of one working file.
//
// Built from the working file's full path, it works out once where the file's
// archive lies and what it is called, which user name goes into new versions,
// and the two call contexts the version store expects. Every version operation
// is a method of this object, and only these methods call the store.
#pragma once

#include <windows.h>

#include "path_util.h"
#include "store_records.h"

class ArchiveFile {
public:
    // Works out the archive's place for workingPath. When the central versions
    // folder can neither be found nor created, shows message
    // IDS_ERR_CREATE_FOLDER and leaves archivePath, userName and the contexts
    // empty. A working path that does not fit its 260-byte field is refused:
    // every field stays empty and IsValid is false.
    explicit ArchiveFile(const char* workingPath);

    // False when the object was refused a usable archive location (over-long
    // working path, no short form for the path, an uncreatable central folder).
    bool IsValid() const { return valid_; }

    // The archive file exists where this object looks for it.
    bool Exists() const;

    // The archive lies beside the working file.
    bool LocalArchiveExists() const;

    char workingPath[kPathSize];
    char workingFolder[kPathSize];
    char workingName[kPathSize];
    char archiveFolder[kPathSize];
    char archiveName[kPathSize];
    char archivePath[kPathSize];
    char userName[33];
    StoreContext primaryContext;
    StoreContext secondaryContext;

private:
    bool valid_ = false;
};
