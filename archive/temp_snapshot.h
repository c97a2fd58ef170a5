// A private copy of a working file in the temporary folder, handed to the
// store in place of the user's own file so that the store never reads it
// directly. The copy is deleted when the object goes, and the temporary-folder
// variables TMP and TEMP are put back as they were before it was made.
#pragma once

#include <windows.h>

#include "env_guard.h"
#include "path_util.h"

class TempSnapshot {
public:
    // Creates a uniquely named empty file beginning with "FY" in the
    // temporary folder and copies workingPath over it, writable.
    explicit TempSnapshot(const char* workingPath);
    // Deletes the copy; then the variables are restored.
    ~TempSnapshot();
    TempSnapshot(const TempSnapshot&) = delete;
    TempSnapshot& operator=(const TempSnapshot&) = delete;

    // True when the working file was copied, and the copy is not empty unless
    // the working file itself is. An empty or failed copy of a
    // file with data must never become a version.
    bool Complete() const { return complete_; }

    // Deletes the copy now (also done by the destructor).
    void Discard();

    const char* Path() const { return path_; }
    const char* Folder() const { return folder_; }
    const char* Name() const { return name_; }

private:
    // Declared first: restored last, after the copy is gone.
    EnvironmentGuard tmp_{"TMP"};
    EnvironmentGuard temp_{"TEMP"};
    char path_[kPathSize];
    char folder_[kPathSize];
    char name_[kPathSize];
    bool complete_ = false;
};
