#include "safe_string.h"

#include <cstring>

bool CopyText(char* target, size_t size, const char* source)
{
    if (size == 0)
        return false;
    size_t length = strlen(source);
    if (length >= size) {
        memcpy(target, source, size - 1);
        target[size - 1] = '\0';
        return false;
    }
    memcpy(target, source, length + 1);
    return true;
}

bool AppendText(char* target, size_t size, const char* source)
{
    size_t used = strnlen(target, size);
    size_t length = strlen(source);
    if (used >= size || length >= size - used)
        return false;
    memcpy(target + used, source, length + 1);
    return true;
}

bool JoinPath(char* target, size_t size, const char* folder, const char* name)
{
    size_t folderLength = strlen(folder);
    size_t nameLength = strlen(name);
    if (size == 0)
        return false;
    if (folderLength + 1 + nameLength >= size) {
        target[0] = '\0';
        return false;
    }
    memcpy(target, folder, folderLength);
    target[folderLength] = '\\';
    memcpy(target + folderLength + 1, name, nameLength + 1);
    return true;
}
