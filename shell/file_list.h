// The selection: the full paths the shell hands to the extension object, in a
// doubly linked list that owns its nodes. New entries go to the front, so a
// walk from the head meets them in the reverse of the order they were added.
#pragma once

#include <windows.h>

struct FileNode {
    FileNode* next = nullptr;
    FileNode* previous = nullptr;
    char path[MAX_PATH];

    // A new unlinked node holding path; null when path does not fit the
    // 260-byte field (a cut path would name some other file) or when no
    // memory is left.
    static FileNode* Create(const char* path);

private:
    FileNode() { path[0] = '\0'; }
};

class FileList {
public:
    FileList() = default;
    ~FileList() { Clear(); }
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    FileNode* Head() const { return head_; }
    int Count() const { return count_; }

    // Links node in front of the head and takes ownership of it.
    void AddFront(FileNode* node);
    // Builds a node for path and adds it in front. False, with the list
    // unchanged, when the path is refused (see FileNode::Create).
    bool AddFront(const char* path);
    // Unlinks node and frees it.
    void Remove(FileNode* node);
    // Frees every node.
    void Clear();

    // True when the node's path is a folder. A path whose attributes cannot be
    // read counts as a folder: the failure value has every bit set, so a
    // vanished entry is expanded into nothing and leaves the list.
    static bool IsFolder(const FileNode* node);

    // Replaces each folder entry by the plain files directly inside it; one
    // level deep, subfolders are not entered.
    void ExpandFolders();

    // Adds, in front, every entry of folder that is neither a folder nor hidden
    // nor a system file. An entry whose full path would not fit the 260-byte
    // field is left out.
    void AddFolderFiles(const char* folder);

private:
    FileNode* head_ = nullptr;
    int count_ = 0;
};
