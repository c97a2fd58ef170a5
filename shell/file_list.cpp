#include "file_list.h"

#include <cstring>
#include <new>

#include "safe_string.h"
#include "win/handle.h"

FileNode* FileNode::Create(const char* path)
{
    if (!path || strlen(path) >= sizeof(FileNode::path))
        return nullptr;
    FileNode* node = new (std::nothrow) FileNode;
    if (node)
        CopyText(node->path, path);
    return node;
}

void FileList::AddFront(FileNode* node)
{
    if (!node)
        return;
    node->previous = nullptr;
    node->next = head_;
    if (head_)
        head_->previous = node;
    head_ = node;
    ++count_;
}

bool FileList::AddFront(const char* path)
{
    FileNode* node = FileNode::Create(path);
    AddFront(node);
    return node != nullptr;
}

void FileList::Remove(FileNode* node)
{
    if (!node)
        return;
    if (node->previous)
        node->previous->next = node->next;
    else
        head_ = node->next;
    if (node->next)
        node->next->previous = node->previous;
    delete node;
    --count_;
}

void FileList::Clear()
{
    while (head_) {
        FileNode* next = head_->next;
        delete head_;
        head_ = next;
    }
    count_ = 0;
}

bool FileList::IsFolder(const FileNode* node)
{
    return (GetFileAttributesA(node->path) & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void FileList::ExpandFolders()
{
    FileNode* node = head_;
    while (node) {
        FileNode* next = node->next;
        if (IsFolder(node)) {
            // The files go in front of the head, behind this walk.
            AddFolderFiles(node->path);
            Remove(node);
        }
        node = next;
    }
}

void FileList::AddFolderFiles(const char* folder)
{
    char base[MAX_PATH];
    if (!folder || !CopyText(base, folder))
        return;
    size_t length = strlen(base);
    if (length > 0 && base[length - 1] == '\\')
        base[length - 1] = '\0';

    char pattern[MAX_PATH];
    if (!JoinPath(pattern, base, "*.*"))
        return;
    WIN32_FIND_DATAA found;
    win::FindHandle search(FindFirstFileA(pattern, &found));
    if (!search.IsValid())
        return;
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (found.dwFileAttributes & skipped)
            continue;
        char path[MAX_PATH];
        if (JoinPath(path, base, found.cFileName))
            AddFront(path);
    } while (FindNextFileA(search.Get(), &found));
}
