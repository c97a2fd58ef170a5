#include "safe_string.h"

#include <windows.h>
#include <strsafe.h>

bool CopyText(char* target, size_t size, const char* source)
{
    // Cut to fit and terminated, and the cut reported.
    return size != 0 && SUCCEEDED(StringCchCopyA(target, size, source));
}

bool AppendText(char* target, size_t size, const char* source)
{
    // All or nothing: a part of a path appended would name another file.
    size_t used = 0;
    size_t length = 0;
    if (FAILED(StringCchLengthA(target, size, &used)) || FAILED(StringCchLengthA(source, STRSAFE_MAX_CCH, &length)) ||
        length >= size - used)
        return false;
    return SUCCEEDED(StringCchCatA(target, size, source));
}

bool JoinPath(char* target, size_t size, const char* folder, const char* name)
{
    if (size == 0)
        return false;
    if (FAILED(StringCchPrintfA(target, size, "%s\\%s", folder, name))) {
        target[0] = '\0';
        return false;
    }
    return true;
}
