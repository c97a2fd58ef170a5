// Scratch folders and files for tests, and drive letters mapped onto them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fytest {

// A new, empty folder under the temporary folder, removed with its contents
// when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a file or folder inside it.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void WriteFileText(const std::string& path, const std::string& content);
std::string ReadFileText(const std::string& path);
bool PathExists(const std::string& path);
// Names of the plain files (no folders) in folder, in the order listed.
std::vector<std::string> FilesIn(const std::string& folder);
void RemoveTree(const std::string& path);

// A folder on a small disk of its own that the test session mounts (its Unix
// path in FY_SMALL_DISK), for tests of a full disk; empty when there is none.
std::string SmallDiskFolder();
// Writes path until the disk it lies on is full.
void FillDisk(const std::string& path);

// Maps a drive letter onto a folder for the object's lifetime, the way a
// second disk would appear: "E:\" is then the folder's root. Uses the Wine
// mount manager; Mapped() is false where that is not available.
class MappedDrive {
public:
    MappedDrive(char letter, const std::string& folder);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    bool Mapped() const { return mapped_; }
    std::string Root() const { return std::string(1, letter_) + ":"; }

private:
    char letter_;
    bool mapped_ = false;
};

}  // namespace fytest
